#pragma once
// The search for the module, opened from Setup ("Suchen...") or from the message that the
// module does not answer: it probes every serial device at the rates a module may use, with a
// progress bar and Cancel, lists the modules that answered, and returns the one the user
// assigns to the COM number.
#include <optional>

#include "operations/Discovery.h"
#include "ui/CDialog.h"

namespace ql50 {

class CModulSuche : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdStatus = 1150;
    static constexpr int kIdProgress = 1151;
    static constexpr int kIdList = 1152;
    static constexpr int kIdNotes = 1153;

    // `portNumber` is the COM number the choice is assigned to; `roots` where the devices are.
    CModulSuche(int language, int portNumber, DeviceRoots roots, QWidget* parent);

    // The module the user assigned (after OK).
    std::optional<FoundModule> chosen;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    // While the search runs, Cancel (Esc, the close box) ends the search and the window stays
    // with what was found; then it closes the window.
    void OnCancel() override;

private:
    void RunSearch();
    bool ShowStep(const ScanStep& step);
    void ShowFound(const std::vector<FoundModule>& modules);
    void ShowEnd();

    int language_;
    int portNumber_;
    DeviceRoots roots_;
    ScanResult result_;
    bool searching_ = false;
    bool cancel_ = false;
};

}  // namespace ql50
