// kwctrl.h — the public interface of the time-entry control library (libkwctrl.so).
//
// KWSPIN32 is a number or time field with spin arrows: an edit box (KWEDIT) between 17-pixel
// arrow buttons. In time mode (KWSS_TIME) it edits hours and minutes as "h:mm" with the hours
// button at the left and the minutes button at the right; with KWSS_CLOCK the hours are a clock
// time 0-23, and with KWSS_12HOUR as well 1-24 shown as "h:mm am" / "h:mm pm".
//
// A form creates it with its style bits and identifier, then sets and reads the text like an
// edit box (setText / text). The control checks what is typed when the edit box loses the focus
// (or on KWSM_REREAD): a valid text is stored and rewritten in the control's own format, an
// invalid one is replaced by the stored values. Arrow presses step the value within its range,
// repeating after 400 ms every 50 ms while the pointer stays on the pressed half.
//
// Every control message of kwctrl_defs.h goes through sendMessage() with the same numbers and
// results; the typed methods beside it do the same for C++ callers. The edit box's
// notifications reach the parent through command(controlId, KWEN_*).
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "kwctrl_defs.h"

class QLineEdit;
class QTimer;
class KWEDIT;

namespace kw::ctrl {
struct SpinState;
}

class KWCTRL_API KWSPIN32 final : public QWidget {
    Q_OBJECT

  public:
    // style: KWSS_* bits (only the low byte counts). controlId: the identifier sent with every
    // command() notification.
    explicit KWSPIN32(unsigned style, QWidget *parent = nullptr, int controlId = 0);
    ~KWSPIN32() override;

    // The control messages KWSM_*: same numbers, arguments and results as the window messages.
    // Unknown messages return 0.
    intptr_t sendMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

    // KWSM_REREAD: stores a valid edit text (and rewrites it in the control's format), otherwise
    // restores the text from the stored values.
    void reread();
    // KWSM_SETRANGE: false when minimum is not below maximum. A value not strictly between the
    // new bounds becomes (minimum + maximum) / 2 and the text is rewritten.
    bool setRange(int minimum, int maximum);
    // KWSM_GETRANGE.
    int minimum() const;
    int maximum() const;
    // KWSM_SETNOSTEPATLIMIT / KWSM_GETNOSTEPATLIMIT: the setter returns the old state.
    bool setNoStepAtLimit(bool on);
    bool noStepAtLimit() const;
    // KWSM_SETREVERSE / KWSM_GETREVERSE: the setter returns the old state.
    bool setReverse(bool on);
    bool reverse() const;
    // KWSM_SETCOLOR / KWSM_GETCOLOR: colour KWSC_* index as 0x00BBGGRR or KWSC_DEFAULT. The
    // setter returns the old colour and repaints; other indexes give 0 and change nothing.
    int32_t setColor(int index, int32_t color);
    int32_t color(int index) const;

    // The edit box's text.
    QString text() const;
    // Sets the edit box's text and re-reads it (so an invalid text shows the stored values).
    void setText(const QString &text);

    // The stored values: the number (the hours in time mode) and the minutes.
    int value() const;
    int minutes() const;
    unsigned style() const;
    // KWSB_* bits: disabled, hidden, the pressed half and whether the pointer has left it.
    unsigned buttonState() const;
    int controlId() const { return controlId_; }
    void setControlId(int controlId) { controlId_ = controlId; }
    QLineEdit *edit() const;

    // Stops an arrow press in progress: timers stopped, pressed state cleared.
    void cancelMode();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    // A notification of the edit box (KWEN_SETFOCUS, KWEN_KILLFOCUS, KWEN_CHANGE) forwarded
    // with the control's identifier. KWEN_KILLFOCUS comes after the text was re-read.
    void command(int controlId, int notification);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

  private:
    void pressHalf(unsigned halfBit);
    void repeatTick();
    void stepOnce();
    void writeText();
    void editNotify(int notification);
    QColor resolvedColor(int index) const;

    std::unique_ptr<kw::ctrl::SpinState> state_;
    KWEDIT *edit_ = nullptr;
    QTimer *repeat_ = nullptr;  // 400 ms before the first repeat, then every 50 ms
    int controlId_ = 0;
};
