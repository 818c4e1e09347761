#include "support/Screenshot.h"

#include "ui/Screenshot.h"

namespace ql50::test {

bool Screenshot(QWidget* widget, const QString& name) {
    return ui::SaveScreenshot(widget, QStringLiteral(QL50_SCREENSHOT_DIR "/%1.png").arg(name));
}

}  // namespace ql50::test
