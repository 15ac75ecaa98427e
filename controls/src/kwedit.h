// KWEDIT: the edit box a KWSPIN32 control places inside itself. It is a plain line edit that
// refuses a typed ':' with a beep unless the control is in time mode, and reports its focus
// changes to the control (which re-reads the text when the focus leaves).
#pragma once

#include <QLineEdit>
#include <functional>

class KWEDIT final : public QLineEdit {
  public:
    // notify receives KWEN_SETFOCUS and KWEN_KILLFOCUS after the edit box handled them.
    KWEDIT(bool timeMode, std::function<void(int)> notify, QWidget *parent);
    // Stops the notifications: the control calls it when it goes away before its edit box.
    void detach() { notify_ = nullptr; }

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

  private:
    bool timeMode_;
    std::function<void(int)> notify_;
};
