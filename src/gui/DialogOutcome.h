#pragma once

#include <QDialog>

namespace quillarc {

/// A dialog created for one use. It ends with 255 for accepted and -1 for
/// cancelled; callers take every code other than -1 as accepted and read
/// its result before it goes.
class OneUseDialog : public QDialog {
public:
    using QDialog::QDialog;

    static constexpr int Accepted = 255;
    static constexpr int Cancelled = -1;
};

} // namespace quillarc
