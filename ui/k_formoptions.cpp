#include "ui/k_formoptions.h"

#include "ui/k_formmain.h"
#include "ui_k_formoptions.h"

K_FormOptions::K_FormOptions(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::K_FormOptions)
{
    ui->setupUi(this);
    if (const auto *form = qobject_cast<const K_FormMain *>(parent)) {
        ui->passCompletelyTransparentTilesCheckBox->setChecked(
                form->passCompletelyTransparentTiles());
        ui->passBrokenTilesCheckBox->setChecked(form->passBrokenTiles());
        ui->singleDestinationImageCheckBox->setChecked(form->singleDestinationImage());
        ui->verticalMirrorSourceTilesCheckBox->setChecked(form->verticalMirrorSourceTiles());
        ui->convertSeasonsCheckBox->setChecked(form->convertSeasons());
        ui->skipConvertedCheckBox->setChecked(form->skipConverted());
    }
}

K_FormOptions::~K_FormOptions()
{
    delete ui;
}

void K_FormOptions::accept()
{
    if (auto *form = qobject_cast<K_FormMain *>(parentWidget())) {
        form->setPassCompletelyTransparentTiles(
                ui->passCompletelyTransparentTilesCheckBox->isChecked());
        form->setPassBrokenTiles(ui->passBrokenTilesCheckBox->isChecked());
        form->setSingleDestinationImage(ui->singleDestinationImageCheckBox->isChecked());
        form->setVerticalMirrorSourceTiles(ui->verticalMirrorSourceTilesCheckBox->isChecked());
        form->setConvertSeasons(ui->convertSeasonsCheckBox->isChecked());
        form->setSkipConverted(ui->skipConvertedCheckBox->isChecked());
    }
    QDialog::accept();
}
