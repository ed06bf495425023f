#ifndef K_FORMOPTIONS_H
#define K_FORMOPTIONS_H

#include <QDialog>

namespace Ui {
class K_FormOptions;
}

// The modal File -> Options dialog: shows the main window's conversion options as check boxes and
// its resampler settings and, on OK, writes them back into the window (its parent). An empty
// resampler field is filled from the usual install folders of the SDKs, and the dialog says so.
// GUI thread; it lives for one exec(). Changes reach the next conversion, never a running one,
// which works from its snapshot.
class K_FormOptions : public QDialog
{
    Q_OBJECT

public:
    // With any parent but the main window the boxes start unchecked and OK stores nothing.
    explicit K_FormOptions(QWidget *parent = nullptr);
    ~K_FormOptions() override;

public slots:
    // Keeps the dialog open while the resampler is to run but none is named.
    void accept() override;

private slots:
    void on_resamplerToolButton_clicked();

private:
    Ui::K_FormOptions *ui;
};

#endif // K_FORMOPTIONS_H
