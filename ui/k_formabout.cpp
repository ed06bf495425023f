#include "ui/k_formabout.h"

#include "ui/linkdocument.h"
#include "ui_k_formabout.h"

const char K_FormAbout::readmeAddress[] = ORVIK_README_ADDRESS;

K_FormAbout::K_FormAbout(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::K_FormAbout)
{
    ui->setupUi(this);
    ui->wwwLabel->setText(linkDocument(QString::fromUtf8(readmeAddress)));
}

K_FormAbout::~K_FormAbout()
{
    delete ui;
}
