#pragma once

#include <QSplitter>

namespace qm {

// The prefix/suffix area (pEntryAddtionCode): two panes over each other. Whenever the
// area is resized the upper pane gets half its height, rounded down; the user may
// still drag the handle in between.
class HalfSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit HalfSplitter(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace qm
