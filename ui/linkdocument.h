#ifndef LINKDOCUMENT_H
#define LINKDOCUMENT_H

#include <QString>

// The rich text of an About box's link label: one paragraph whose only link shows its own
// address, underlined and blue.
inline QString linkDocument(const QString &address)
{
    return QStringLiteral("<html><head/><body><p><a href=\"%1\"><span style=\"text-decoration: "
                          "underline; color:#0000ff;\">%1</span></a></p></body></html>")
            .arg(address.toHtmlEscaped());
}

#endif // LINKDOCUMENT_H
