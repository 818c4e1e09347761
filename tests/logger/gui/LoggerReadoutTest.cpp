// The data-logger read-out from the main window: the export file, the transfer window, records
// assembled from the frame stream, the end of the read-out after a silent watchdog period, and
// the whole logger of the virtual module.
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "MainWindowFixture.h"
#include "formats/DisplayTexts.h"
#include "formats/LoggerRecords.h"
#include "sim/PtyServer.h"
#include "sim/VirtualModule.h"
#include "support/Files.h"
#include "support/Pty.h"
#include "support/Screenshot.h"

namespace ql50::test {
namespace {

const std::string kHeader =
    "date\ttime\t[%]\t[mg/l]\t[\xB0"
    "C]\n";
constexpr int kTransferTemplate = 136;
constexpr int kProgressId = 1085;
constexpr int kTransferTextId = 1136;

const Frame kSizeRequest = BuildFrame(0, kReadValue, 2, 55);
const Frame kStreamRequest = BuildFrame(0, kReadValue, 4, 54);
// The module's first answer to the stream request: no logger bytes yet.
const Frame kAck = BuildFrame(0, kReadValue, 4, 54);

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The frames of a read-out stream; the running byte position counts on as the module's does.
class Stream {
public:
    explicit Stream(unsigned position = 0) : position_(position) {}
    // The five frames of a record. Frames listed in `broken` (0 to 4) go out with a wrong
    // checksum, so the program's frame check drops them: their two bytes are lost.
    Stream& Record(const LoggerRecord& r, std::initializer_list<int> broken = {}) {
        for (int k = 0; k < 5; ++k) {
            position_ += 2;
            Frame f = BuildFrame(0, kReadValue, 4, 54,
                                 {std::uint8_t(position_ % 255), std::uint8_t(position_ / 255),
                                  r[std::size_t(2 * k)], r[std::size_t(2 * k + 1)]});
            if (std::find(broken.begin(), broken.end(), k) != broken.end()) f[kPosChecksum] ^= 0x5A;
            bytes_.insert(bytes_.end(), f.begin(), f.end());
        }
        return *this;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    unsigned position() const { return position_; }

private:
    unsigned position_;
    std::vector<std::uint8_t> bytes_;
};

// A module that tells its logger size (none: it stays silent) and answers the stream request
// with prepared bytes, by default the acknowledgement only.
class ScriptedLogger : public ScriptedModule {
public:
    explicit ScriptedLogger(std::optional<unsigned> size) {
        EchoWrites(false);
        SetSize(size);
        SetStream(ToBytes(kAck));
    }
    void SetSize(std::optional<unsigned> size) {
        if (!size) return Silence(kReadValue, 55);
        Reply(kReadValue, 55, {std::uint8_t(*size & 0xFF), std::uint8_t(*size >> 8), 0, 0});
    }
    void SetStream(Bytes bytes) { ReplyBytes(kReadValue, 54, std::move(bytes)); }
};

class LoggerReadoutTest : public MainWindowTest {
protected:
    // The transfer window while it is shown.
    static ui::CDialog* TransferWindow() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<ui::CDialog*>(w);
            if (dialog != nullptr && dialog->TemplateId() == kTransferTemplate &&
                dialog->isVisible())
                return dialog;
        }
        return nullptr;
    }
    static QProgressBar* ProgressBar(QWidget* transfer) {
        return qobject_cast<QProgressBar*>(ui::FindControl(transfer, kProgressId));
    }
    bool ReadoutEnded() const {
        return TransferWindow() == nullptr && !window->readout().exportFile().IsOpen();
    }

    // Queues the answer to the save dialog of "Datenlogger Auslesen": the export file's name.
    void SaveAs(const std::string& path) { robot.OnFileDialog().SaveAs(Q(path)); }
    void ReadOut() { Click(kIdLoggerAuslesen); }

    // Sends an unasked date reply behind whatever the module sent before and waits until the
    // program has taken it: everything in front of it has been handled then.
    void Settle(PtyPeer& peer) {
        const std::uint8_t n = ++marker_;
        peer.Send(ToBytes(BuildFrame(0, kReadValue, 3, 58, {n, n, n, 0})));
        const std::string text = QString("%1.%1.%1").arg(n, 2, 10, QChar('0')).toStdString();
        EXPECT_TRUE(WaitUntil(
            [&] { return ClockText(window->session().module().clockDate, '.') == text; }));
    }

private:
    std::uint8_t marker_ = 0;
};

constexpr LoggerRecord kRecord{0x05, 0x06, 0x07, 0x0E, 0x1E, 0x62, 0x5B, 0x03, 0x15, 0xFF};
const char* const kRecordLine = "05.06.07\t14:30\t98\t8,6\t21\t\n";

// An empty logger (fewer than three bytes) and a silent module both end the read-out after the
// size request, leaving the export file with its header.
TEST_F(LoggerReadoutTest, EmptyLoggerOrSilentModuleLeavesTheExportFileWithItsHeaderOnly) {
    ScriptedLogger module(0);
    Open(module.path());
    const std::pair<std::optional<unsigned>, QString> cases[] = {
        {0, "Datenlogger ist leer."},
        {1, "Datenlogger ist leer."},
        {2, "Datenlogger ist leer."},
        {std::nullopt, "Fehler in der Datenkommunikation!"}};
    for (const auto& [size, message] : cases) {
        SCOPED_TRACE(size ? std::to_string(*size) : "silent");
        module.SetSize(size);
        const std::string path = File("leer" + std::to_string(size.value_or(9)) + ".txt");
        SaveAs(path);
        robot.OnMessage(message).Click(1);
        ReadOut();
        ASSERT_TRUE(robot.WaitIdle());
        EXPECT_EQ(robot.Messages().back(), message);
        EXPECT_FALSE(window->readout().exportFile().IsOpen());
        EXPECT_EQ(Slurp(path), kHeader);
        EXPECT_EQ(TransferWindow(), nullptr);
        EXPECT_EQ(NewRequests(module.peer()), std::vector<Frame>{kSizeRequest});
    }
}

TEST_F(LoggerReadoutTest, TransferWindowShowsTheProgressAndTheNextReadoutStartsAfresh) {
    ScriptedLogger module(1000);
    Open(module.path());
    SaveAs(File("export.txt"));
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(NewRequests(module.peer()), (std::vector<Frame>{kSizeRequest, kStreamRequest}));

    ui::CDialog* transfer = TransferWindow();
    ASSERT_NE(transfer, nullptr);
    // Not modal: the user can go on working in the main window.
    EXPECT_FALSE(transfer->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(transfer->Caption(), QString::fromUtf8("Datenübertragung"));
    EXPECT_EQ(ui::ControlText(ui::FindControl(transfer, kTransferTextId)),
              QString::fromUtf8("Datenübertragung läuft."));
    QProgressBar* bar = ProgressBar(transfer);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 500);  // one step for each two-byte frame

    // Every frame moves the bar one step.
    const int before = bar->value();
    Stream stream;
    stream.Record(kRecord);
    const auto& bytes = stream.bytes();
    module.peer().Send({bytes.begin(), bytes.begin() + 3 * long(kFrameSize)});
    ASSERT_TRUE(WaitUntil([&] { return bar->value() == before + 3; })) << bar->value();
    EXPECT_TRUE(Screenshot(transfer, "logger-transfer-window"));

    // The record never got its end marker: the read-out says it is not complete.
    robot.OnMessage("0 von 100").Click(1);
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }));
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(Slurp(File("export.txt")), kHeader);

    // The next read-out starts afresh: acknowledgement first, then a record of its own.
    module.SetStream(Concat({ToBytes(kAck), Stream().Record(kRecord).bytes()}));
    SaveAs(File("zweite.txt"));
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    robot.OnMessage("1 von 100").Click(1);
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }));
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(Slurp(File("zweite.txt")), kHeader + kRecordLine);
    EXPECT_EQ(Slurp(File("export.txt")), kHeader);
    EXPECT_EQ(robot.Messages().size(), 2);
}

TEST_F(LoggerReadoutTest, StreamRecordsBecomeLinesAndBrokenRecordsAreDropped) {
    ScriptedLogger module(60);
    // Positions count on from 460, so the last end marker comes at 520 = 10 + 255 * 2.
    Stream stream(460);
    stream
        .Record(kRecord)
        // The end-marker frame is lost: this record and the next, which its bytes run into,
        // are dropped; the one after the next end marker is whole again.
        .Record({0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0xFF}, {4})
        .Record({0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0xFF})
        .Record({31, 12, 99, 23, 59, 200, 0xD7, 0x04, 0xF6, 0xFF})
        // A frame in the middle is lost: the end marker comes early and the record is dropped.
        .Record({0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0xFF}, {1})
        .Record({1, 2, 3, 0, 0, 0, 5, 0, 0, 0xFF});
    ASSERT_EQ(stream.position(), 520u);
    module.SetStream(Concat({ToBytes(kAck), stream.bytes()}));
    Open(module.path());
    SaveAs(File("export.txt"));
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    robot.OnMessage("3 von 6").Click(1);
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }));
    ASSERT_TRUE(robot.WaitIdle());

    EXPECT_EQ(Slurp(File("export.txt")), kHeader + kRecordLine +
                                             "31.12.99\t23:59\t200\t12,3\t-10\t\n"
                                             "01.02.03\t00:00\t0\t0,0\t0\t\n");
    EXPECT_EQ(window->statusText(), "Byte: 520 ");
    EXPECT_EQ(Text(kIdStatus), "Byte: 520 ");
    EXPECT_EQ(robot.Messages().size(), 1);
}

// A stray byte between two frames costs nothing; a byte lost inside a frame costs only the record
// it belongs to; the read-out then says how many records of how many arrived.
TEST_F(LoggerReadoutTest, StrayAndLostBytesCostOnlyTheRecordsTheyTouch) {
    constexpr unsigned kRecords = 2000;
    constexpr std::size_t kRecordBytes = 5 * kFrameSize;
    ScriptedLogger module(kRecords * 10);
    Stream stream;
    std::string expected = kHeader;
    for (unsigned i = 0; i < kRecords; ++i) {
        const LoggerRecord r{std::uint8_t(1 + i % 28),
                             3,
                             24,
                             std::uint8_t(i / 60 % 24),
                             std::uint8_t(i % 60),
                             std::uint8_t(i % 101),
                             std::uint8_t(i % 255),
                             std::uint8_t(i / 255),
                             20,
                             0xFF};
        stream.Record(r);
        if (i != 1500) expected += LoggerRecordLine(r);
    }
    Bytes bytes = stream.bytes();
    bytes.erase(bytes.begin() + long(1500 * kRecordBytes + kFrameSize + 5));  // inside a frame
    bytes.insert(bytes.begin() + long(1000 * kRecordBytes), 0x00);            // between frames
    module.SetStream(Concat({ToBytes(kAck), bytes}));
    Open(module.path());
    SaveAs(File("export.txt"));
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    robot.OnMessage("1999 von 2000").Click(1);
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }, 120000));
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(Slurp(File("export.txt")), expected);
}

TEST_F(LoggerReadoutTest, ReadoutEndsOneSilentWatchdogPeriodAfterTheLastFrame) {
    ScriptedLogger module(100);
    Open(module.path());
    SaveAs(File("export.txt"));
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    ASSERT_NE(TransferWindow(), nullptr);
    robot.OnMessage("2 von 10").Click(1);

    // Frames 0.6 s apart, for longer than a watchdog period, keep the read-out going.
    constexpr LoggerRecord kSecond{10, 11, 12, 8, 0, 50, 16, 0, 20, 0xFF};
    Stream stream;
    stream.Record(kRecord).Record(kSecond);
    const auto& bytes = stream.bytes();
    QElapsedTimer sinceLast;
    for (std::size_t at = 0; at < bytes.size(); at += kFrameSize) {
        if (at > 0) WaitUntil([] { return false; }, 600);  // the gap between frames
        ASSERT_TRUE(window->readout().exportFile().IsOpen())
            << "ended before frame " << at / kFrameSize;
        ASSERT_NE(TransferWindow(), nullptr);
        module.peer().Send({bytes.begin() + long(at), bytes.begin() + long(at + kFrameSize)});
        sinceLast.start();
    }
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }));
    const qint64 ended = sinceLast.elapsed();
    EXPECT_GE(ended, 2900);
    EXPECT_LE(ended, 7000);
    const std::string file = kHeader + kRecordLine + LoggerRecordLine(kSecond);
    EXPECT_EQ(Slurp(File("export.txt")), file);

    // A module that goes on sending after the end changes nothing.
    const std::string status = window->statusText();
    module.peer().Send(Stream(100).Record({1, 1, 1, 1, 1, 1, 1, 1, 1, 0xFF}).bytes());
    Settle(module.peer());
    EXPECT_EQ(Slurp(File("export.txt")), file);
    EXPECT_EQ(window->statusText(), status);
    EXPECT_EQ(TransferWindow(), nullptr);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(robot.Messages().size(), 1);
}

TEST_F(LoggerReadoutTest, ExportNamedLikeTheRecordingFileEndsTheRecording) {
    ScriptedLogger module(0);
    Open(module.path());
    UseRecordingFile("messung.txt", 1);
    ASSERT_TRUE(window->recordingFile.Write("x\n"));
    std::filesystem::create_directory(File("export"));

    // Names that differ in case are different names.
    SaveAs(File("export/Messung.txt"));
    robot.OnMessage("Datenlogger ist leer.").Click(1);
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_TRUE(window->recordingFile.IsOpen());
    EXPECT_TRUE(Enabled(kIdMessung));

    SaveAs(File("export/messung.txt"));
    robot.OnMessage("Datenlogger ist leer.").Click(1);
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_FALSE(window->recordingFile.IsOpen());
    EXPECT_FALSE(Enabled(kIdMessung));
    EXPECT_EQ(Slurp(File("messung.txt")), "x\n");
    EXPECT_EQ(Slurp(File("export/messung.txt")), kHeader);
}

TEST_F(LoggerReadoutTest, ExportFileThatCannotBeCreatedIsReportedAndNothingIsAsked) {
    ScriptedLogger module(1000);
    Open(module.path());
    const std::string path = File("fehlt/export.txt");
    SaveAs(path);
    robot.OnMessage(Q(path)).Click(1);
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    ASSERT_EQ(robot.Messages().size(), 1);
    EXPECT_TRUE(robot.Messages()[0].contains(Q(path + ": " + std::strerror(ENOENT))))
        << robot.Messages()[0].toStdString();
    EXPECT_TRUE(NewRequests(module.peer()).empty());
    EXPECT_EQ(TransferWindow(), nullptr);
    EXPECT_FALSE(window->readout().exportFile().IsOpen());
}

TEST_F(LoggerReadoutTest, WriteErrorIsReportedOnceAndEndsTheReadout) {
    ScriptedLogger module(100);
    Open(module.path());
    const QString kWriteError = "Die Exportdatei kann nicht geschrieben werden";

    // The header does not fit: reported, and the module is not asked.
    {
        std::unique_ptr<FileSizeLimit> limit;
        robot.OnFileDialog()
            .Inspect([&limit](QWidget*) { limit = std::make_unique<FileSizeLimit>(5); })
            .SaveAs(Q(File("kopf.txt")));
        robot.OnMessage(kWriteError).Inspect([&limit](QWidget*) { limit.reset(); }).Click(1);
        ReadOut();
        ASSERT_TRUE(robot.WaitIdle());
    }
    ASSERT_EQ(robot.Messages().size(), 1);
    EXPECT_TRUE(robot.Messages()[0].contains(Q(File("kopf.txt"))))
        << robot.Messages()[0].toStdString();
    EXPECT_TRUE(NewRequests(module.peer()).empty());
    EXPECT_TRUE(ReadoutEnded());

    // The disk fills up after the first record: one message, and the read-out ends at once.
    SaveAs(File("teil.txt"));
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    ASSERT_NE(TransferWindow(), nullptr);
    constexpr LoggerRecord kOther{1, 2, 3, 4, 5, 6, 7, 0, 9, 0xFF};
    auto limit = std::make_shared<FileSizeLimit>(kHeader.size() + std::strlen(kRecordLine));
    robot.OnMessage(kWriteError)
        .Inspect([this, limit](QWidget*) {
            limit->Lift();
            EXPECT_TRUE(ReadoutEnded());
        })
        .Click(1);
    module.peer().Send(Stream().Record(kRecord).Record(kOther).Record(kOther).bytes());
    ASSERT_TRUE(robot.WaitIdle());
    limit->Lift();
    Settle(module.peer());
    EXPECT_EQ(robot.Messages().size(), 2);
    EXPECT_TRUE(robot.Messages().back().contains(Q(File("teil.txt"))));
    EXPECT_EQ(Slurp(File("teil.txt")), kHeader + kRecordLine);
    EXPECT_TRUE(ReadoutEnded());
}

TEST_F(LoggerReadoutTest, EnglishTexts) {
    Spit(File("config.ini"), "SPRACHE=1\r\n");
    ScriptedLogger module(0);
    Open(module.path());
    SaveAs(File("leer.txt"));
    robot.OnMessage("Data logger is empty.").Click(1);
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());

    // Three bytes are no longer empty.
    module.SetSize(3);
    SaveAs(File("drei.txt"));
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    ui::CDialog* transfer = TransferWindow();
    ASSERT_NE(transfer, nullptr);
    EXPECT_EQ(transfer->Caption(), "Data transmission");
    EXPECT_EQ(ui::ControlText(ui::FindControl(transfer, kTransferTextId)),
              "Wait for data transmission.");
    ASSERT_NE(ProgressBar(transfer), nullptr);
    EXPECT_EQ(ProgressBar(transfer)->minimum(), 0);
    EXPECT_EQ(ProgressBar(transfer)->maximum(), 1);
    EXPECT_EQ(ProgressBar(transfer)->value(), 1);  // the request's own step fills it
    EXPECT_TRUE(Screenshot(transfer, "logger-transfer-window-english"));
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }));
    EXPECT_EQ(Slurp(File("drei.txt")), kHeader);

    module.SetSize(std::nullopt);
    SaveAs(File("stumm.txt"));
    robot.OnMessage("Error data communication!").Click(1);
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(robot.Messages(),
              (QStringList{"Data logger is empty.", "Error data communication!"}));
}

TEST_F(LoggerReadoutTest, WholeLoggerOfTheVirtualModule) {
    // The module's clock stands still, so its logger gains no record during the test.
    sim::VirtualModule module([] {
        return std::chrono::system_clock::time_point(
            std::chrono::sys_days(std::chrono::year(2024) / 3 / 10) + std::chrono::hours(12));
    });
    // 300 records and the first five bytes of one more, which never becomes a line.
    module.FillLoggerBytes(3005);
    sim::PtyServer server(module);
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    Open(server.SlavePath());
    SaveAs(File("logger.txt"));
    ReadOut();
    ASSERT_TRUE(robot.WaitIdle());
    ASSERT_TRUE(WaitUntil([&] { return ReadoutEnded(); }));

    const std::vector<std::uint8_t> bytes = module.LoggerBytes();
    ASSERT_EQ(bytes.size(), 3005u);
    std::string expected = kHeader;
    for (std::size_t at = 0; at + kLoggerRecordSize <= bytes.size(); at += kLoggerRecordSize) {
        LoggerRecord record;
        std::copy_n(bytes.begin() + long(at), kLoggerRecordSize, record.begin());
        expected += LoggerRecordLine(record);
    }
    EXPECT_EQ(Slurp(File("logger.txt")), expected);
    EXPECT_EQ(window->statusText(), "Byte: 3000 ");
    EXPECT_TRUE(robot.Messages().isEmpty());
}

}  // namespace
}  // namespace ql50::test
