#pragma once

#include <QPushButton>

class QAction;

namespace qm {

// A push button that stands for an action: it shows the action's caption with its
// accelerator, follows the action's enabled state and triggers it when clicked.
// (QToolButton would drop the accelerator from the caption.)
class ActionButton : public QPushButton {
    Q_OBJECT
public:
    ActionButton(QAction* action, QWidget* parent);
    // An action with its object name, caption and hint (empty for none). The hint is
    // kept as the status tip, which the button shows as its tool tip.
    static QAction* makeAction(const char* name, const char* caption, const char* hint,
                               QObject* parent);
    QAction* action() const { return action_; }
    // Enabled exactly when the action is (after a run had disabled the button itself).
    void followAction();

private:
    QAction* action_;
};

} // namespace qm
