#ifndef K_FORMABOUT_H
#define K_FORMABOUT_H

#include <QDialog>

namespace Ui {
class K_FormAbout;
}

// Help -> About ORVIK: the program's name and version, the copyright notice and a link to the
// program's README. A static modal box in the GUI thread that reads and changes nothing.
class K_FormAbout : public QDialog
{
    Q_OBJECT

public:
    // Where the link leads: the README installed with the program when it runs installed, else
    // the one in the source tree it was built from; empty (no link) when neither exists.
    static QString readmeAddress();

    explicit K_FormAbout(QWidget *parent = nullptr);
    ~K_FormAbout() override;

private:
    Ui::K_FormAbout *ui;
};

#endif // K_FORMABOUT_H
