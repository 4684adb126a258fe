#pragma once

#include <QLineEdit>

namespace qm {

// A read-only one-line field for a name that may be longer than the field: the name
// is shortened in the middle to fit, and the whole name is the tool tip (the field's
// own hint while it is empty).
class ElidedField : public QLineEdit {
    Q_OBJECT
public:
    explicit ElidedField(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    QString fullText() const { return fullText_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();
    QString fullText_;
    QString hint_;
};

} // namespace qm
