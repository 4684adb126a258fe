#pragma once

#include <QLabel>

namespace qm {

// A one-line label for long paths: it shrinks with the window and shortens its text in
// the middle, with the whole text as its tool tip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    QString fullText() const { return fullText_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString fullText_;
};

} // namespace qm
