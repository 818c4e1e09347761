#include "ui/QtLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace ql50::ui {

bool UseQtLanguage(int language) {
    static QTranslator* german = nullptr;  // loaded once, owned by the application
    static bool installed = false;
    const bool wanted = language != 1;
    if (wanted && german == nullptr) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load(QStringLiteral("qtbase_de"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete translator;
            return false;
        }
        german = translator;
    }
    if (wanted && !installed) installed = QCoreApplication::installTranslator(german);
    if (!wanted && installed) installed = !QCoreApplication::removeTranslator(german);
    return installed == wanted;
}

}  // namespace ql50::ui
