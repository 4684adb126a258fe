#include "ActionButton.h"

#include <QAction>

namespace qm {

ActionButton::ActionButton(QAction* action, QWidget* parent)
    : QPushButton(action->text(), parent), action_(action) {
    // The action's hint lives in its status tip: QAction makes up a tool tip from the
    // caption when it has none, and a button without a hint must show none.
    setToolTip(action->statusTip());
    followAction();
    connect(action, &QAction::changed, this, &ActionButton::followAction);
    connect(this, &QPushButton::clicked, action, &QAction::trigger);
}

QAction* ActionButton::makeAction(const char* name, const char* caption, const char* hint,
                                  QObject* parent) {
    auto* action = new QAction(QString::fromUtf8(caption), parent);
    action->setObjectName(QString::fromUtf8(name));
    action->setStatusTip(QString::fromUtf8(hint));
    return action;
}

void ActionButton::followAction() {
    setEnabled(action_->isEnabled());
}

} // namespace qm
