// The progress window. See progress_window.h; the bar's numbers come from ProgressModel.
#include "app/ui/progress_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/text_encoding.h"

namespace kw {
namespace {

QString FromCp1252(const std::string &text) {
    return QString::fromStdString(platform::Cp1252ToUtf8(text));
}

// Arial where it is installed, otherwise the closest sans-serif face.
QFont ArialFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// The framed bar area: a black frame, inside it the bar filled from the left in blue over a
// grey background, with the bar text centred in white.
class ProgressBarArea final : public QWidget {
  public:
    ProgressBarArea(const ProgressModel *model, QWidget *parent)
        : QWidget(parent),
          model_(model),
          background_(QColor(192, 192, 192)),
          fill_(QColor(0, 0, 192)),
          frame_(Qt::black),
          text_(Qt::white),
          font_(ArialFont()) {
        font_.setPixelSize(12);
        font_.setWeight(QFont::Normal);
        setMinimumSize(250, 20);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setPen(frame_);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        QRect bar = rect().adjusted(1, 1, -1, -1);
        int filled = model_->FilledWidth(bar.width());
        painter.fillRect(QRect(bar.left(), bar.top(), filled, bar.height()), fill_);
        painter.fillRect(QRect(bar.left() + filled, bar.top(), bar.width() - filled, bar.height()),
                         background_);
        painter.setPen(text_);
        painter.setFont(font_);
        painter.drawText(bar, Qt::AlignCenter, FromCp1252(model_->BarText()));
    }

  private:
    const ProgressModel *model_;
    QBrush background_;
    QBrush fill_;
    QPen frame_;
    QPen text_;
    QFont font_;
};

}  // namespace

ProgressWindow::ProgressWindow(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Please wait..."));
    setModal(false);
    QFont font = ArialFont();
    font.setPointSize(8);
    setFont(font);
    setCursor(Qt::BusyCursor);

    text_ = new QLabel(this);
    bar_ = new ProgressBarArea(&model_, this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setAutoDefault(false);
    cancel_->setCursor(Qt::ArrowCursor);
    connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::Cancel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::Begin(int low, int high, const std::string &text, const std::string &label,
                           bool cancelEnabled) {
    model_.SetRange(low, high);
    model_.SetLabel(label);
    text_->setText(FromCp1252(text));
    cancelled_ = false;
    cancel_->setEnabled(cancelEnabled);

    adjustSize();
    QWidget *anchor = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area = anchor ? anchor->frameGeometry() : screen()->availableGeometry();
    move(area.center() - rect().center());
    show();
    bar_->repaint();
    QCoreApplication::processEvents();
}

void ProgressWindow::SetPosition(int position) {
    model_.SetPosition(position);
    bar_->repaint();
    // Long operations run on the user-interface thread: this is where it breathes.
    QCoreApplication::processEvents();
}

void ProgressWindow::End() {
    hide();
}

QString ProgressWindow::BarText() const {
    return FromCp1252(model_.BarText());
}

void ProgressWindow::reject() {
    if (cancel_->isEnabled()) Cancel();
}

void ProgressWindow::closeEvent(QCloseEvent *event) {
    if (!isVisible() || cancel_->isEnabled()) {
        if (isVisible()) Cancel();
        event->accept();
    } else {
        event->ignore();
    }
}

void ProgressWindow::Cancel() {
    cancelled_ = true;
    cancel_->setEnabled(false);
    QDialog::reject();
}

}  // namespace kw
