#include "ui/k_formabout.h"

#include "ui/linkdocument.h"
#include "ui_k_formabout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString K_FormAbout::readmeAddress()
{
    const QString candidates[] = {
            QDir(QCoreApplication::applicationDirPath())
                    .filePath(QStringLiteral(ORVIK_INSTALLED_README)),
            QStringLiteral(ORVIK_SOURCE_README),
    };
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(QDir::cleanPath(path)).toString();
    }
    return QString();
}

K_FormAbout::K_FormAbout(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::K_FormAbout)
{
    ui->setupUi(this);
    const QString address = readmeAddress();
    ui->wwwLabel->setText(address.isEmpty() ? QString() : linkDocument(address));
}

K_FormAbout::~K_FormAbout()
{
    delete ui;
}
