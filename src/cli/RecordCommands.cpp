#include "cli/RecordCommands.h"

#include <QDate>
#include <cstdio>
#include <cstring>

#include "care/CalibrationDue.h"
#include "care/QtTexts.h"
#include "care/RecordReader.h"
#include "tables/Cp1252.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"

namespace ql50::cli {
namespace {

int Fail(const std::string& error) {
    std::fprintf(stderr, "ql50-cli: %s\n", error.c_str());
    return kExitFailure;
}

// The result on standard output: exit 1 with the reason when it cannot be written.
int Print(const QString& text, int status) {
    const QByteArray bytes = text.toUtf8();
    if (std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stdout) !=
            std::size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        return Fail(std::string("standard output: ") + std::strerror(errno));
    return status;
}

QString TypeName(int type, int language) {
    if (type < 0 || type >= int(kMessTypCount)) return QStringLiteral("-");
    return QString::fromStdString(
        Cp1252ToUtf8(kMessTypen[std::size_t(type)].name[language == 1 ? 1 : 0].data()));
}

QString Cell(const QString& text) {
    return text.isEmpty() ? QStringLiteral("-") : text;
}

int CalibrationStatus(const std::string& path, int lang) {
    const RecordRead read = ReadRecordTail(path);
    if (read.access != RecordAccess::Read) return Fail(read.error);
    const DueIntervals intervals = UserDueIntervals();
    QString out = QTx(kMeldungen.statusKopf, lang);
    bool overdue = false;
    for (const ModuleHistory& h : BuildHistory(RecordedRuns(read))) {
        const auto s = StatusOf(h, intervals, QDate::currentDate());
        if (!s) continue;
        overdue = overdue || s->state == DueState::Overdue;
        out +=
            QStringList{Cell(QString::fromStdString(s->module.id)),
                        TypeName(s->module.type, lang),
                        QString::number(s->module.address),
                        s->last.time.toString(Qt::ISODate),
                        s->due ? s->due->toString(Qt::ISODate) : QStringLiteral("-"),
                        s->due ? DueStateText(s->state, lang) : QTx(kMeldungen.keinIntervall, lang),
                        s->verdict ? VerdictText(*s->verdict, lang) : QStringLiteral("-")}
                .join('\t') +
            '\n';
    }
    return Print(out, overdue ? kExitOverdue : kExitOk);
}

int VerifyRecord(const std::string& path, int lang) {
    const RecordRead read = ScanRecord(path, 1);
    if (read.access != RecordAccess::Read) return Fail(read.error);
    const QString file = QString::fromStdString(path);
    if (read.chainBreak)
        return Print(QTx(kMeldungen.zeilePasstNicht, lang)
                         .arg(file)
                         .arg(read.chainBreak->line)
                         .arg(ChainBreakText(read.chainBreak->reason, lang)),
                     kExitFailure);
    return Print(
        QTx(kMeldungen.ketteHaelt, lang).arg(file).arg(read.hashedLines).arg(read.uncheckedLines),
        kExitOk);
}

}  // namespace

bool IsRecordCommand(const std::string& command) {
    return command == "calibration-status" || command == "verify-record";
}

int RunRecordCommand(const CliOptions& options, int language) {
    const std::string path =
        options.recordFile.empty() ? kCalibrationRecordFile : options.recordFile;
    return options.command == "verify-record" ? VerifyRecord(path, language)
                                              : CalibrationStatus(path, language);
}

}  // namespace ql50::cli
