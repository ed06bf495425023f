#ifndef K_FORMOPTIONS_H
#define K_FORMOPTIONS_H

#include <QDialog>

namespace Ui {
class K_FormOptions;
}

// The modal File -> Options dialog: shows the main window's five conversion options as check
// boxes and, on OK, writes them back into the window (its parent). GUI thread; it lives for one
// exec(). Changes reach the next conversion, never a running one, which works from its snapshot.
class K_FormOptions : public QDialog
{
    Q_OBJECT

public:
    // With any parent but the main window the boxes start unchecked and OK stores nothing.
    explicit K_FormOptions(QWidget *parent = nullptr);
    ~K_FormOptions() override;

public slots:
    void accept() override;

private:
    Ui::K_FormOptions *ui;
};

#endif // K_FORMOPTIONS_H
