#pragma once
// The about box.
#include "ui/CDialog.h"

namespace ql50 {

class CInfoDialog : public ui::CDialog {
    Q_OBJECT
public:
    explicit CInfoDialog(QWidget* parent);

protected:
    bool OnInitDialog() override;
};

}  // namespace ql50
