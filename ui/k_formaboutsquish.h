#ifndef K_FORMABOUTSQUISH_H
#define K_FORMABOUTSQUISH_H

#include <QDialog>

namespace Ui {
class K_FormAboutSquish;
}

// Help -> About Squish: names the DXT decompression library the tile reader uses, with a link to
// its project page. A static modal box in the GUI thread that reads and changes nothing.
class K_FormAboutSquish : public QDialog
{
    Q_OBJECT

public:
    static const char projectAddress[];

    explicit K_FormAboutSquish(QWidget *parent = nullptr);
    ~K_FormAboutSquish() override;

private:
    Ui::K_FormAboutSquish *ui;
};

#endif // K_FORMABOUTSQUISH_H
