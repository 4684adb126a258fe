#include "ElidedField.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionFrame>

namespace qm {

ElidedField::ElidedField(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
}

void ElidedField::setFullText(const QString& text) {
    if (fullText_.isEmpty())
        hint_ = toolTip();
    fullText_ = text;
    setToolTip(text.isEmpty() ? hint_ : text);
    elide();
}

void ElidedField::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    elide();
}

void ElidedField::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        elide();
}

// The room the style leaves for the text, less the line edit's own margin of 2 pixels
// on either side.
void ElidedField::elide() {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect room = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    const int width = room.width() - margins.left() - margins.right() - 4;
    setText(fontMetrics().elidedText(fullText_, Qt::ElideMiddle, std::max(0, width)));
    setCursorPosition(0);
}

} // namespace qm
