#include "ui/Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace ql50::ui {
namespace {

QStringList Installed(const QStringList& candidates) {
    const QStringList families = QFontDatabase::families();
    QStringList found;
    for (const QString& candidate : candidates) {
        if (families.contains(candidate, Qt::CaseInsensitive)) found.append(candidate);
    }
    if (found.isEmpty())
        found.append(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    return found;
}

}  // namespace

void InstallFontSubstitutions() {
    const QStringList sans =
        Installed({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               Installed({QStringLiteral("Liberation Sans"),
                                          QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")}));
    for (const char* windowsName :
         {"MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "Microsoft Sans Serif"}) {
        QFont::insertSubstitutions(QString::fromLatin1(windowsName), sans);
    }
}

}  // namespace ql50::ui
