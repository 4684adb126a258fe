#include "HalfSplitter.h"

#include <QResizeEvent>

namespace qm {

HalfSplitter::HalfSplitter(QWidget* parent) : QSplitter(Qt::Vertical, parent) {
    setHandleWidth(8);
    setChildrenCollapsible(false);
}

void HalfSplitter::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    if (count() != 2)
        return;
    const int upper = event->size().height() / 2;
    setSizes({upper, std::max(0, event->size().height() - upper - handleWidth())});
}

} // namespace qm
