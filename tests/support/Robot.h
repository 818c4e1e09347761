// A test robot that answers the modal windows a test provokes: dialogs, message boxes, the
// save-file dialog. The test queues the steps it expects, in order, before it starts what shows
// them; the robot waits for each window, checks and fills it, and presses its button.
//
//   Robot robot;
//   robot.OnDialog("Setup").Check(1002).Click(1);
//   robot.OnMessage("Bitte eine Zahl").Click(1);
//   dialog.DoModal();
//   EXPECT_TRUE(robot.WaitIdle());
//
// A modal window that no step expects fails the test and is closed; so is the window that is
// open when a step does not come within its limit. Either way the test goes on instead of
// hanging. Steps left over when the robot is destroyed fail the test as well.
#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTime>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "support/Wait.h"

class QWidget;

namespace ql50::test {

class Robot : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void(QWidget* window)>;

    class Step {
    public:
        // Runs a check of the test's own on the window (EXPECT_... inside).
        Step& Inspect(Action check);
        Step& SetText(int id, const QString& text);
        // Check box or radio button, changed as a click by the user would.
        Step& Check(int id, bool checked = true);
        // Drop-down list or list box entry, picked as by the user.
        Step& Select(int id, int index);
        Step& SetTime(int id, const QTime& time);
        Step& SetDate(int id, const QDate& date);
        // Presses the button with this id (a message box's OK button is 1). The press may open
        // further modal windows; later steps answer them.
        Step& Click(int id);
        // Presses a standard button of a Qt message box (the save dialog's overwrite question).
        Step& Press(QMessageBox::StandardButton button);
        // A key press on the focused control, as Qt::Key_Escape or Qt::Key_Return.
        Step& Key(int key);
        // A close request, as from the title bar's close box.
        Step& CloseBox();
        // Save-file dialog: types the name into its name field and accepts.
        Step& SaveAs(const QString& name);
        // Cancels the window (its Cancel button; Esc for a dialog of the program).
        Step& Cancel();
        // The step acts only once `ready` holds for its window (a search has ended, say); until
        // then the window stays open, within the step's limit.
        Step& When(std::function<bool(QWidget*)> ready);

    private:
        friend class Robot;
        Step(QString description, std::function<bool(QWidget*)> matches);
        Step& Add(QString what, Action action);

        QString description_;
        std::function<bool(QWidget*)> matches_;
        std::function<bool(QWidget*)> ready_;
        std::vector<Action> actions_;
    };

    Robot();
    ~Robot() override;
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;

    // A dialog of the program (not a message box or file dialog) with this caption.
    Step& OnDialog(const QString& caption);
    // A dialog of the program made from this template.
    Step& OnTemplate(int templateId);
    // A message box whose text contains this part.
    Step& OnMessage(const QString& textPart);
    Step& OnFileDialog();
    // Any modal window with this objectName ("PrintDialog").
    Step& OnWindow(const QString& objectName);

    // Texts of all message boxes that appeared, in order.
    const QStringList& Messages() const { return messages_; }
    // Every step done and no action of the robot still running.
    bool Idle() const;
    bool WaitIdle(int timeoutMs = kWaitLimitMs) {
        return WaitUntil([this] { return Idle(); }, timeoutMs);
    }

private:
    Step& Enqueue(QString description, std::function<bool(QWidget*)> matches);
    void Tick();
    void Act(QWidget* window);
    void Run(const QPointer<QWidget>& window, const std::shared_ptr<Step>& step);
    void CheckTimeout(QWidget* window);
    void Unexpected(QWidget* window);
    void Record(QWidget* window);
    bool Busy(const QWidget* window) const;
    static bool Contains(const QList<QPointer<QWidget>>& list, const QWidget* window);

    QTimer timer_;
    std::deque<std::shared_ptr<Step>> steps_;
    QElapsedTimer frontSince_;        // how long the first step has been waited for
    QList<QPointer<QWidget>> known_;  // windows a step has answered or that were reported
    QList<QPointer<QWidget>> seen_;   // message boxes already recorded
    std::vector<QWidget*> busy_;      // windows whose actions are running (may nest)
    QStringList messages_;
};

}  // namespace ql50::test
