// KWSPIN32: the widget glue around the state, text and geometry rules of spin_*.h — events,
// timers, the edit box and painting. See kwctrl.h for what callers may rely on.
#include "kwctrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <string>

#include "kwedit.h"
#include "platform/text_encoding.h"
#include "spin_geometry.h"
#include "spin_state.h"
#include "spin_text.h"

using kw::ctrl::SpinRect;
using kw::ctrl::SpinState;

namespace {

constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 50;

intptr_t PackRange(int minimum, int maximum) {
    uint32_t low = static_cast<uint32_t>(minimum) & 0xFFFFu;
    uint32_t high = static_cast<uint32_t>(maximum) & 0xFFFFu;
    return static_cast<intptr_t>(low | (high << 16));
}

QColor FromColorRef(int32_t color) {
    uint32_t c = static_cast<uint32_t>(color);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

QRect ToQRect(const SpinRect &r) {
    return QRect(r.x, r.y, r.width, r.height);
}

}  // namespace

KWSPIN32::KWSPIN32(unsigned style, QWidget *parent, int controlId)
    : QWidget(parent),
      state_(std::make_unique<SpinState>(kw::ctrl::MakeSpinState(style))),
      controlId_(controlId) {
    setObjectName(QStringLiteral("KWSPIN32"));
    edit_ = new KWEDIT(
        kw::ctrl::IsTimeMode(state_->style), [this](int notification) { editNotify(notification); },
        this);
    connect(edit_, &QLineEdit::textChanged, this,
            [this] { emit command(controlId_, KWEN_CHANGE); });
    setFocusProxy(edit_);
    setFocusPolicy(edit_->focusPolicy());
    setAttribute(Qt::WA_OpaquePaintEvent);

    repeat_ = new QTimer(this);
    repeat_->setObjectName(QStringLiteral("KWSPIN32.repeat"));
    connect(repeat_, &QTimer::timeout, this, &KWSPIN32::repeatTick);

    writeText();
}

KWSPIN32::~KWSPIN32() {
    // The edit box outlives this destructor (QWidget deletes children later) and loses the
    // focus on its way out; it must not report that to a control that is gone.
    edit_->detach();
    disconnect(edit_, nullptr, this, nullptr);
}

intptr_t KWSPIN32::sendMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case KWSM_REREAD:
            reread();
            return 0;
        case KWSM_SETRANGE: {
            intptr_t old = PackRange(state_->main.minimum, state_->main.maximum);
            uint32_t words = static_cast<uint32_t>(lParam);
            if (!setRange(static_cast<int>(words & 0xFFFFu), static_cast<int>(words >> 16)))
                return -1;
            return old;
        }
        case KWSM_GETRANGE:
            return PackRange(state_->main.minimum, state_->main.maximum);
        case KWSM_SETNOSTEPATLIMIT:
            return setNoStepAtLimit(wParam != 0) ? 1 : 0;
        case KWSM_GETNOSTEPATLIMIT:
            return noStepAtLimit() ? 1 : 0;
        case KWSM_SETREVERSE:
            return setReverse(wParam != 0) ? 1 : 0;
        case KWSM_GETREVERSE:
            return reverse() ? 1 : 0;
        case KWSM_SETCOLOR:
            if (wParam >= KWSC_COUNT) return 0;
            return setColor(static_cast<int>(wParam), static_cast<int32_t>(lParam));
        case KWSM_GETCOLOR:
            if (wParam >= KWSC_COUNT) return 0;
            return color(static_cast<int>(wParam));
        default:
            return 0;
    }
}

void KWSPIN32::reread() {
    std::string text = kw::platform::Utf8ToCp1252(edit_->text().toStdString());
    kw::ctrl::StoreSpinReading(state_.get(), kw::ctrl::ReadSpinText(*state_, text));
    writeText();
}

bool KWSPIN32::setRange(int minimum, int maximum) {
    bool moved = false;
    if (!kw::ctrl::SetMainRange(state_.get(), minimum, maximum, &moved)) return false;
    if (moved) writeText();
    return true;
}

int KWSPIN32::minimum() const {
    return state_->main.minimum;
}
int KWSPIN32::maximum() const {
    return state_->main.maximum;
}

bool KWSPIN32::setNoStepAtLimit(bool on) {
    return kw::ctrl::SetStyleBit(state_.get(), KWSS_NOSTEPATLIMIT, on);
}
bool KWSPIN32::noStepAtLimit() const {
    return (state_->style & KWSS_NOSTEPATLIMIT) != 0;
}
bool KWSPIN32::setReverse(bool on) {
    return kw::ctrl::SetStyleBit(state_.get(), KWSS_REVERSE, on);
}
bool KWSPIN32::reverse() const {
    return (state_->style & KWSS_REVERSE) != 0;
}

int32_t KWSPIN32::setColor(int index, int32_t color) {
    if (index < 0 || index >= KWSC_COUNT) return 0;
    int32_t old = kw::ctrl::SetSpinColor(state_.get(), index, color);
    update();
    return old;
}

int32_t KWSPIN32::color(int index) const {
    return kw::ctrl::GetSpinColor(*state_, index);
}

QString KWSPIN32::text() const {
    return edit_->text();
}

void KWSPIN32::setText(const QString &text) {
    edit_->setText(text);
    reread();
}

int KWSPIN32::value() const {
    return state_->main.value;
}
int KWSPIN32::minutes() const {
    return state_->minutes.value;
}
unsigned KWSPIN32::style() const {
    return state_->style;
}
unsigned KWSPIN32::buttonState() const {
    return state_->buttons;
}
QLineEdit *KWSPIN32::edit() const {
    return edit_;
}

void KWSPIN32::cancelMode() {
    repeat_->stop();
    bool wasPressed = (state_->buttons & (KWSB_PRESSED | KWSB_POINTERLEFT)) != 0;
    state_->buttons &= ~(KWSB_PRESSED | KWSB_POINTERLEFT);
    if (wasPressed) update();
}

QSize KWSPIN32::sizeHint() const {
    int arrows = kw::ctrl::IsTimeMode(state_->style) ? 2 : 1;
    QSize edit = edit_->sizeHint();
    return QSize(arrows * kw::ctrl::kArrowButtonWidth + edit.width() / 2, edit.height());
}

QSize KWSPIN32::minimumSizeHint() const {
    int arrows = kw::ctrl::IsTimeMode(state_->style) ? 2 : 1;
    QSize edit = edit_->minimumSizeHint();
    return QSize(arrows * kw::ctrl::kArrowButtonWidth + edit.width(), edit.height());
}

void KWSPIN32::resizeEvent(QResizeEvent *) {
    edit_->setGeometry(ToQRect(kw::ctrl::LayoutSpin(state_->style, width(), height()).edit));
}

void KWSPIN32::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    QPoint p = event->position().toPoint();
    unsigned half = kw::ctrl::HitTestSpin(state_->style, width(), height(), p.x(), p.y());
    if (half) pressHalf(half);
}

void KWSPIN32::mouseDoubleClickEvent(QMouseEvent *event) {
    mousePressEvent(event);
}

void KWSPIN32::mouseMoveEvent(QMouseEvent *event) {
    unsigned pressed = state_->buttons & KWSB_PRESSED;
    if (!pressed) return;
    QPoint p = event->position().toPoint();
    bool over = kw::ctrl::HitTestSpin(state_->style, width(), height(), p.x(), p.y()) == pressed;
    unsigned before = state_->buttons;
    if (over)
        state_->buttons &= ~KWSB_POINTERLEFT;
    else
        state_->buttons |= KWSB_POINTERLEFT;
    if (before != state_->buttons) update();
}

void KWSPIN32::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) cancelMode();
}

void KWSPIN32::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange) {
        if (isEnabled()) {
            state_->buttons &= ~KWSB_DISABLED;
        } else {
            state_->buttons |= KWSB_DISABLED;
            cancelMode();
        }
        update();
    }
    QWidget::changeEvent(event);
}

void KWSPIN32::showEvent(QShowEvent *event) {
    state_->buttons &= ~KWSB_HIDDEN;
    QWidget::showEvent(event);
}

void KWSPIN32::hideEvent(QHideEvent *event) {
    state_->buttons |= KWSB_HIDDEN;
    cancelMode();
    QWidget::hideEvent(event);
}

void KWSPIN32::pressHalf(unsigned halfBit) {
    state_->buttons = (state_->buttons & ~(KWSB_PRESSED | KWSB_POINTERLEFT)) | halfBit;
    stepOnce();
    repeat_->start(kFirstRepeatMs);
    update();
}

void KWSPIN32::repeatTick() {
    // The first tick turns the initial delay into the repeat rate.
    if (repeat_->interval() != kRepeatMs) repeat_->start(kRepeatMs);
    if ((state_->buttons & KWSB_PRESSED) && !(state_->buttons & KWSB_POINTERLEFT)) stepOnce();
}

void KWSPIN32::stepOnce() {
    if (kw::ctrl::StepSpin(state_.get(), state_->buttons & KWSB_PRESSED)) writeText();
}

void KWSPIN32::writeText() {
    QString text =
        QString::fromStdString(kw::platform::Cp1252ToUtf8(kw::ctrl::FormatSpinText(*state_)));
    // Rewriting an equal text would move the cursor and send a needless change notification.
    if (edit_->text() == text) return;
    edit_->setText(text);
    update();
}

void KWSPIN32::editNotify(int notification) {
    if (notification == KWEN_KILLFOCUS) reread();
    emit command(controlId_, notification);
}

QColor KWSPIN32::resolvedColor(int index) const {
    int32_t color = state_->colors[index];
    if (color != KWSC_DEFAULT) return FromColorRef(color);
    switch (index) {
        case KWSC_FACE:
            return palette().color(QPalette::Button);
        case KWSC_ARROW:
            return palette().color(QPalette::ButtonText);
        case KWSC_SHADOW:
            return palette().color(QPalette::Dark);
        case KWSC_HIGHLIGHT:
            return Qt::white;
        default:
            return palette().color(QPalette::WindowText);
    }
}

void KWSPIN32::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    const QColor face = resolvedColor(KWSC_FACE);
    const QColor arrow = resolvedColor(KWSC_ARROW);
    const QColor shadow = resolvedColor(KWSC_SHADOW);
    const QColor highlight = resolvedColor(KWSC_HIGHLIGHT);
    const QColor frame = resolvedColor(KWSC_FRAME);
    const bool disabled = (state_->buttons & KWSB_DISABLED) != 0;
    const bool horizontal = (state_->style & KWSS_HORIZONTAL) != 0;

    for (unsigned half : {KWSB_RIGHTFIRST, KWSB_RIGHTSECOND, KWSB_LEFTFIRST, KWSB_LEFTSECOND}) {
        SpinRect r = kw::ctrl::HalfRect(state_->style, width(), height(), half);
        if (r.Empty()) continue;
        // A second half starts on the first half's last line, so the two share one frame line.
        if (half == KWSB_RIGHTSECOND || half == KWSB_LEFTSECOND) {
            if (horizontal) {
                r.x -= 1;
                r.width += 1;
            } else {
                r.y -= 1;
                r.height += 1;
            }
        }
        QRect outer = ToQRect(r);
        QRect inner = outer.adjusted(1, 1, -1, -1);
        bool pressed = (state_->buttons & half) && !(state_->buttons & KWSB_POINTERLEFT);

        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(outer.adjusted(0, 0, -1, -1));
        painter.fillRect(inner, face);
        if (inner.width() >= 2 && inner.height() >= 2) {
            // Raised: light top and left, dark bottom and right. Sunken: a dark top and left.
            painter.setPen(pressed ? shadow : highlight);
            painter.drawLine(inner.topLeft(), inner.topRight());
            painter.drawLine(inner.topLeft(), inner.bottomLeft());
            if (!pressed) {
                painter.setPen(shadow);
                painter.drawLine(inner.bottomLeft(), inner.bottomRight());
                painter.drawLine(inner.topRight(), inner.bottomRight());
            }
        }

        SpinRect area{inner.x(), inner.y(), inner.width(), inner.height()};
        kw::ctrl::SpinTriangle t =
            kw::ctrl::ArrowTriangle(area, kw::ctrl::ArrowFor(state_->style, half), pressed);
        QPoint points[3];
        for (int i = 0; i < 3; ++i)
            points[i] = QPoint(t.points[i].x, t.points[i].y);
        painter.setPen(disabled ? shadow : arrow);
        painter.setBrush(disabled ? QBrush(Qt::NoBrush) : QBrush(arrow));
        painter.drawPolygon(points, 3);
    }
}
