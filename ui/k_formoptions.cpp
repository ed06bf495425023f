#include "ui/k_formoptions.h"

#include "engine/k_resamplerstep.h"
#include "ui/k_formmain.h"
#include "ui_k_formoptions.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QThread>

K_FormOptions::K_FormOptions(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::K_FormOptions)
{
    ui->setupUi(this);
    ui->resamplerJobsSpinBox->setMaximum(QThread::idealThreadCount());
    ui->resamplerNoteLabel->hide();
    if (const auto *form = qobject_cast<const K_FormMain *>(parent)) {
        ui->passCompletelyTransparentTilesCheckBox->setChecked(
                form->passCompletelyTransparentTiles());
        ui->passBrokenTilesCheckBox->setChecked(form->passBrokenTiles());
        ui->singleDestinationImageCheckBox->setChecked(form->singleDestinationImage());
        ui->verticalMirrorSourceTilesCheckBox->setChecked(form->verticalMirrorSourceTiles());
        ui->convertSeasonsCheckBox->setChecked(form->convertSeasons());
        ui->skipConvertedCheckBox->setChecked(form->skipConverted());
        ui->resamplerLineEdit->setText(form->resampler());
        ui->runResamplerCheckBox->setChecked(form->runResampler());
        ui->resamplerJobsSpinBox->setValue(form->resamplerJobs());
    }
    if (ui->resamplerLineEdit->text().trimmed().isEmpty()) {
        const QString found = K_ResamplerStep::usualProgram();
        ui->resamplerLineEdit->setText(found);
        ui->resamplerNoteLabel->setText(
                found.isEmpty() ? tr("No resample.exe in the usual folders of the FSX and "
                                     "Prepar3D SDKs: choose it with \"...\".")
                                : tr("The resampler was found in the usual folder of its SDK."));
        ui->resamplerNoteLabel->show();
    }
    // The note wraps, so the dialog's height follows its width.
    adjustSize();
}

K_FormOptions::~K_FormOptions()
{
    delete ui;
}

void K_FormOptions::on_resamplerToolButton_clicked()
{
    const QString current = ui->resamplerLineEdit->text().trimmed();
    const QString chosen = QFileDialog::getOpenFileName(
            this, tr("Choose the resampler"), current,
            tr("Resampler (resample.exe);;Programs (*.exe *.com);;All files (*)"));
    if (!chosen.isEmpty())
        ui->resamplerLineEdit->setText(QDir::toNativeSeparators(chosen));
}

void K_FormOptions::accept()
{
    if (ui->runResamplerCheckBox->isChecked()
        && ui->resamplerLineEdit->text().trimmed().isEmpty()) {
        ui->resamplerNoteLabel->setText(
                tr("Choose the resampler, or turn off running it after converting."));
        ui->resamplerNoteLabel->show();
        ui->resamplerLineEdit->setFocus();
        return;
    }
    if (auto *form = qobject_cast<K_FormMain *>(parentWidget())) {
        form->setPassCompletelyTransparentTiles(
                ui->passCompletelyTransparentTilesCheckBox->isChecked());
        form->setPassBrokenTiles(ui->passBrokenTilesCheckBox->isChecked());
        form->setSingleDestinationImage(ui->singleDestinationImageCheckBox->isChecked());
        form->setVerticalMirrorSourceTiles(ui->verticalMirrorSourceTilesCheckBox->isChecked());
        form->setConvertSeasons(ui->convertSeasonsCheckBox->isChecked());
        form->setSkipConverted(ui->skipConvertedCheckBox->isChecked());
        form->setResampler(ui->resamplerLineEdit->text().trimmed());
        form->setRunResampler(ui->runResamplerCheckBox->isChecked());
        form->setResamplerJobs(ui->resamplerJobsSpinBox->value());
    }
    QDialog::accept();
}
