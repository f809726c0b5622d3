#pragma once

#include <QLabel>

namespace quillarc {

/// A one-line label that shows its whole text: where the text is wider than
/// the label, it is drawn in a smaller size of the label's font (down to 7
/// pixels) instead of being cut off at the edge.
class FittingLabel : public QLabel {
    Q_OBJECT
public:
    explicit FittingLabel(QWidget *parent = nullptr);

    /// The font the present text is drawn in.
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static constexpr int kPadding = 3;
};

} // namespace quillarc
