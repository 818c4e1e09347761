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
    if (!port_.Open(this, number, device, baudRate, 'N', 8, 1, kEventMask, kWriteBufferSize)) {
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
    lastData_ = data;
    assembler_.Reset();
    port_.QueueWrite(frame.data(), frame.size());
}

int CConversation::WaitForReply() {
    replyPending_ = true;
    const long long deadline = ReplyPump::NowSeconds() + kReplySeconds;
    return ReplyPump::PumpUntil([this] { return !replyPending_; }, deadline, kReplySeconds) ? 1 : 0;
}

void CConversation::PumpDelay(int seconds) {
    const long long deadline = ReplyPump::NowSeconds() + seconds;
    ReplyPump::PumpUntil([] { return false; }, deadline, seconds);
}

void CConversation::DeliveryReady(CComPort&) {
    // Monitor thread: the bytes are handed over on the UI thread, ahead of other posted events.
    auto* notice = new QEvent(kDeliveryEvent);
    // Qt's event queue passes the notice on with locks that ThreadSanitizer does not see (Qt is
    // not built with it): this counter shows it the same order.
    noticesPosted_.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(this, notice, Qt::HighEventPriority);
}

bool CConversation::event(QEvent* e) {
    noticesPosted_.load(std::memory_order_acquire);
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
            const std::string line = FormatWatchdogLine(local);
            texts.statusText = line;
            emit watchdogNotice(QByteArray::fromStdString(line));
            break;
        }
        case RxEvent::BadFrame:
        case RxEvent::None:
            break;
    }
}

void CConversation::Dispatch(const Frame& frame) {
    const ReplyOutcome outcome = DispatchReply(frame, modul, texts);
    if (!outcome.accepted) return;  // dropped: the wait runs to its timeout
    // The live chain's next request goes out before the flag is cleared.
    if (outcome.followUpRegister != 0) {
        Send(req::LiveNext(outcome.followUpRegister));
    }
    if (frame[kPosOp] == kReadValue && frame[kPosRegister] == kValueTemperature)
        lastLiveCycle_ = std::chrono::steady_clock::now();
    replyPending_ = false;
    ReplyPump::WakeAll();
    if (outcome.loggerFrame) emit loggerFrame(frame);
    if (outcome.refreshDisplay) emit refreshDisplay();
}

void CConversation::OnPortError(const std::string& text, bool channelClosed) {
    if (channelClosed) portOpen_ = false;
    emit portError(QString::fromLocal8Bit(text.c_str()), channelClosed);
}

}  // namespace ql50
