#include "operations/Session.h"

#include "conversation/CConversation.h"

namespace ql50 {

std::string_view OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
            return "done";
        case Outcome::NoReply:
            return "no reply";
        case Outcome::LineLost:
            return "line lost";
        case Outcome::NoPort:
            return "no port";
        case Outcome::Refused:
            return "refused";
        case Outcome::Empty:
            return "empty";
        case Outcome::Short:
            return "short";
        case Outcome::NotConfirmed:
            return "not confirmed";
        case Outcome::FileError:
            return "file error";
        case Outcome::Stopped:
            return "stopped";
    }
    return "unknown";
}

Session::Session(QObject* parent) : QObject(parent), conv_(std::make_unique<CConversation>()) {
    connect(conv_.get(), &CConversation::refreshDisplay, this, &Session::refreshDisplay);
    connect(conv_.get(), &CConversation::liveCycle, this, &Session::liveCycle);
    connect(conv_.get(), &CConversation::watchdogNotice, this, &Session::watchdogNotice);
    connect(conv_.get(), &CConversation::statusReport, this, &Session::statusReport);
    connect(conv_.get(), &CConversation::portError, this, &Session::portError);
    connect(conv_.get(), &CConversation::loggerFrame, this, &Session::loggerFrame);
}

Session::~Session() {
    conv_->StopMonitor();
}

void Session::MapPort(int portNumber, const std::string& device, int baudRate) {
    conv_->MapPort(portNumber, device);
    if (baudRate > 0)
        rates_[portNumber] = baudRate;
    else
        rates_.erase(portNumber);
}

std::string Session::DeviceForPort(int portNumber) const {
    return conv_->DeviceForPort(portNumber);
}

int Session::RateForPort(int portNumber) const {
    const auto it = rates_.find(portNumber);
    return it == rates_.end() ? 0 : it->second;
}

Outcome Session::Open(int portIndex, int baudRate, QString* failure) {
    const int mapped = RateForPort(portIndex + 1);
    return conv_->EnsurePortOpen(portIndex, mapped > 0 ? mapped : baudRate, failure)
               ? Outcome::Done
               : Outcome::NoPort;
}

OpenFailure Session::openFailure() const {
    return conv_->openFailure();
}

std::string Session::openErrorText() const {
    return conv_->openErrorText();
}

bool Session::IsOpen() const {
    return conv_->portOpen();
}

bool Session::lineSettingsFailed() const {
    return conv_->lineSettingsFailed();
}

void Session::Close() {
    conv_->Close();
}

std::uint8_t Session::address() const {
    return conv_->deviceAddress();
}

void Session::SetAddress(std::uint8_t address) {
    conv_->SetDeviceAddress(address);
}

const CModulDaten& Session::module() const {
    return conv_->modul();
}

std::optional<std::chrono::steady_clock::time_point> Session::lastLiveCycle() const {
    return conv_->lastLiveCycle();
}

void Session::ForgetLiveCycle() {
    conv_->ForgetLiveCycle();
}

void Session::PumpDelay(int seconds) {
    conv_->PumpDelay(seconds);
}

Outcome Session::Unanswered() const {
    return conv_->portOpen() ? Outcome::NoReply : Outcome::LineLost;
}

}  // namespace ql50
