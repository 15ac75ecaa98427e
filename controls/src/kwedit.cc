// The inner edit box of KWSPIN32. See kwedit.h.
#include "kwedit.h"

#include <QApplication>
#include <QKeyEvent>

#include "kwctrl_defs.h"

KWEDIT::KWEDIT(bool timeMode, std::function<void(int)> notify, QWidget *parent)
    : QLineEdit(parent), timeMode_(timeMode), notify_(std::move(notify)) {
    setObjectName(QStringLiteral("KWEDIT"));
}

void KWEDIT::keyPressEvent(QKeyEvent *event) {
    if (!timeMode_ && event->text().contains(QLatin1Char(':'))) {
        QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void KWEDIT::focusInEvent(QFocusEvent *event) {
    QLineEdit::focusInEvent(event);
    if (notify_) notify_(KWEN_SETFOCUS);
}

void KWEDIT::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    if (notify_) notify_(KWEN_KILLFOCUS);
}
