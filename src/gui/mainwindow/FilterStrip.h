#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace quillarc {

class LowerCaseEdit;

/// The strip of filter controls under the commands: EXCLUDE, and the
/// extension and pattern lists with their entry boxes. It shows the lists it
/// is given and says what the person asked for; the lists themselves are the
/// session's.
class FilterStrip : public QWidget {
    Q_OBJECT
public:
    explicit FilterStrip(QWidget *parent);

    /// The lists as the config holds them, none of their entries selected.
    void showLists(const std::vector<std::string> &extensions, const std::vector<std::string> &patterns);
    /// The controls the pass switches off while it runs, without a cursor
    /// change, and the buttons it switches with theirs.
    QList<QWidget *> quietControls() const;
    QList<QWidget *> buttons() const;

    QCheckBox *ExcludeCheckBox;
    QLabel *StaticText3;
    LowerCaseEdit *extEdit;
    QPushButton *addextbutton;
    QComboBox *ComboBox;
    QPushButton *removeextbutton;
    QLabel *StaticText4;
    LowerCaseEdit *patternEdit;
    QPushButton *addpatternbutton;
    QComboBox *ComboBoxP;
    QPushButton *removepatternbutton;

Q_SIGNALS:
    void addExtensionAsked();
    void removeExtensionAsked();
    void addPatternAsked();
    void removePatternAsked();
    void excludeToggled(bool on);
};

} // namespace quillarc
