// The progress window of long operations (first-run archive loading, loading an export file,
// searching): a small modeless window captioned "Please wait..." with a text line, a drawn bar
// with the percentage and a Cancel button. It is the window program's kw::Progress:
//
//   Begin        shows the window centred on its parent (the main window) with the text line,
//                the range and label of the bar, an empty bar, the cancelled flag cleared and
//                Cancel enabled or not; pending events are processed so it appears at once.
//   SetPosition  redraws the bar and processes pending events, so windows repaint and a press
//                on Cancel is seen.
//   Cancelled    whether Cancel was pressed since Begin.
//   End          hides the window; it can be begun again.
//
// Cancel (the button, Escape or closing the window while Cancel is offered) sets the flag,
// disables the button and closes the window. While Cancel is not offered the window cannot be
// closed by the user.
#pragma once

#include <QDialog>
#include <string>

#include "app/core/progress.h"
#include "app/core/progress_model.h"

class QLabel;
class QPushButton;

namespace kw {

class ProgressWindow final : public QDialog, public Progress {
    Q_OBJECT

  public:
    explicit ProgressWindow(QWidget *parent = nullptr);
    ~ProgressWindow() override;

    // Texts are Windows-1252.
    void Begin(int low, int high, const std::string &text, const std::string &label,
               bool cancelEnabled) override;
    void SetPosition(int position) override;
    bool Cancelled() override { return cancelled_; }
    void End() override;

    const ProgressModel &Model() const { return model_; }
    // The text drawn in the bar.
    QString BarText() const;
    QPushButton *CancelButton() const { return cancel_; }
    // The framed bar area; the bar itself is its client rectangle shrunk by one pixel.
    QWidget *BarArea() const { return bar_; }

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void Cancel();

    ProgressModel model_;
    QLabel *text_ = nullptr;
    QWidget *bar_ = nullptr;
    QPushButton *cancel_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace kw
