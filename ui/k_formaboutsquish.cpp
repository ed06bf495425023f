#include "ui/k_formaboutsquish.h"

#include "ui/linkdocument.h"
#include "ui_k_formaboutsquish.h"

const char K_FormAboutSquish::projectAddress[] = "https://sourceforge.net/projects/libsquish/";

K_FormAboutSquish::K_FormAboutSquish(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::K_FormAboutSquish)
{
    ui->setupUi(this);
    ui->wwwLabel->setText(linkDocument(QString::fromLatin1(projectAddress)));
}

K_FormAboutSquish::~K_FormAboutSquish()
{
    delete ui;
}
