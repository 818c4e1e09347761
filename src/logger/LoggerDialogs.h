#pragma once
// The small windows of the data logger and the recording set-up.
#include <QDate>
#include <QString>
#include <QTime>

#include "ui/CDialog.h"

namespace ql50 {

// The recording interval as a time of day (hours, minutes, seconds).
class CIntervallEingabe : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdTime = 1094;
    explicit CIntervallEingabe(QWidget* parent = nullptr);
    QTime interval;

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
};

// A yes/no question with the captions of both buttons set by the caller.
class CAbfrage : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdQuestion = 1183;
    explicit CAbfrage(QWidget* parent = nullptr);
    QString question, yesText, noText;

protected:
    bool OnInitDialog() override;
};

// Date and time for the module's clock.
class CUhrzeitStellen : public ui::CDialog {
    Q_OBJECT
public:
    static constexpr int kIdTime = 1184;
    static constexpr int kIdDate = 1185;
    explicit CUhrzeitStellen(QWidget* parent = nullptr);
    QDate date;
    QTime time;
    QString cancelText;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
};

}  // namespace ql50
