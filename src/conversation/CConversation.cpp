#include "conversation/CConversation.h"

#include <QCoreApplication>
#include <QEvent>
#include <ctime>

#include "conversation/ReplyPump.h"

namespace ql50 {
namespace {
const QEvent::Type kDeliveryEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
constexpr std::uint32_t kEventMask = 0x40F;  // received character, flag, TX empty, CTS, RX 80%
constexpr std::size_t kWriteBufferSize = 512;
constexpr int kReplySeconds = 3;
}  // namespace

CConversation::CConversation(QObject* parent) : QObject(parent) {}

CConversation::~CConversation() {
    port_.StopMonitor();
}

std::string CConversation::DeviceForPort(int portNumber) const {
    if (auto it = portMap_.find(portNumber); it != portMap_.end()) return it->second;
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

bool CConversation::EnsurePortOpen(int portIndex, int baudRate, QString* failure) {
    if (portOpen_) return true;
    const int number = portIndex + 1;
    const std::string device = DeviceForPort(number);
    lineSettingsFailed_ = false;
    opening_ = true;
    const bool opened =
        port_.Open(this, number, device, baudRate, 'N', 8, 1, kEventMask, kWriteBufferSize);
    opening_ = false;
    if (!opened) {
        if (failure) {
            *failure = QString::fromUtf8("COM %1 kann nicht geöffnet werden.\n%2: %3")
                           .arg(number)
                           .arg(QString::fromStdString(device),
                                QString::fromStdString(port_.OpenErrorText()));
        }
        return false;
    }
    port_.StartMonitor();
    portOpen_ = true;
    return true;
}

void CConversation::SendCommand(std::uint8_t address, std::uint8_t op, std::uint8_t type,
                                std::uint8_t reg, DataBytes data) {
    const Frame frame = BuildFrame(address, op, type, reg, data);
    assembler_.Reset();
    port_.QueueWrite(frame.data(), frame.size());
}

int CConversation::WaitForReply() {
    replyPending_ = true;
    const long long deadline = ReplyPump::NowSeconds() + kReplySeconds;
    return ReplyPump::PumpUntil([this] { return !replyPending_ || !portOpen_; }, deadline,
                                kReplySeconds) &&
                   !replyPending_
               ? 1
               : 0;
}

bool CConversation::AskExactly(const Request& request, DataBytes data) {
    lastReply_.reset();
    Send(request, data);
    replyPending_ = true;
    const long long deadline = ReplyPump::NowSeconds() + kReplySeconds;
    ReplyPump::PumpUntil([&] { return Answered(request) || !portOpen_; }, deadline, kReplySeconds);
    return Answered(request);
}

bool CConversation::AskWithin(const Request& request, std::chrono::milliseconds wait) {
    lastReply_.reset();
    Send(request);
    replyPending_ = true;
    ReplyPump::PumpFor([&] { return Answered(request) || !portOpen_; }, wait);
    return Answered(request);
}

bool CConversation::Answered(const Request& request) const {
    return lastReply_ && lastReply_->first == request.op && lastReply_->second == request.reg;
}

void CConversation::PumpDelay(int seconds) {
    const long long deadline = ReplyPump::NowSeconds() + seconds;
    ReplyPump::PumpUntil([] { return false; }, deadline, seconds);
}

void CConversation::DeliveryReady(CComPort&) {
    // Monitor thread: the byte is handed over on the owner's thread, ahead of other events.
    QCoreApplication::postEvent(this, new QEvent(kDeliveryEvent), Qt::HighEventPriority);
}

bool CConversation::event(QEvent* e) {
    if (e->type() == kDeliveryEvent) {
        port_.ServeDelivery();
        return true;
    }
    return QObject::event(e);
}

void CConversation::OnPortByte(std::uint8_t byte) {
    switch (assembler_.Push(byte)) {
        case RxEvent::ValidFrame:
            Dispatch(assembler_.rxFrame());
            break;
        case RxEvent::WatchdogNotice: {
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            emit watchdogNotice(QByteArray::fromStdString(FormatWatchdogLine(local)));
            break;
        }
        case RxEvent::BadFrame:
        case RxEvent::None:
            break;
    }
}

void CConversation::Dispatch(const Frame& frame) {
    const ReplyOutcome outcome = DispatchReply(frame, modul_);
    if (!outcome.accepted) return;  // dropped: the wait runs to its timeout
    // The live chain's next request goes out before the flag is cleared.
    if (outcome.followUpRegister != 0 && liveChain_) Send(LiveFollowUp(outcome.followUpRegister));
    const bool chainEnd = frame[kPosOp] == kReadValue && frame[kPosRegister] == kValueTemperature;
    if (chainEnd) lastLiveCycle_ = std::chrono::steady_clock::now();
    lastReply_.emplace(frame[kPosOp], frame[kPosRegister]);
    lastReplyAddress_ = frame[kPosAddress];
    replyPending_ = false;
    ReplyPump::WakeAll();
    if (outcome.loggerFrame) emit loggerFrame(frame);
    if (outcome.statusReport) emit statusReport();
    if (chainEnd) emit liveCycle();
    if (outcome.refreshDisplay) emit refreshDisplay();
}

void CConversation::OnPortError(const std::string& text, bool channelClosed) {
    if (channelClosed) portOpen_ = false;
    if (opening_) lineSettingsFailed_ = true;
    ReplyPump::WakeAll();
    emit portError(QString::fromLocal8Bit(text.c_str()), channelClosed);
}

}  // namespace ql50
