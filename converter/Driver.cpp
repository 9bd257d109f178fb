#include "converter/Driver.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "converter/JsonLine.h"
#include "converter/LineFormat.h"
#include "converter/Progress.h"
#include "converter/ValueRules.h"
#include "converter/Warnings.h"
#include "dbase/QzDBF.h"
#include "platform/FileStream.h"
#include "util/QzIUtils.h"

namespace ostrane {
namespace {

// Extensions of the memo files a table may have beside it (any letter case).
constexpr std::string_view MemoExtensions[] = {".dbt", ".fpt", ".smt"};
// A HyperSix table may read its memo from the table's name without extension.
constexpr unsigned char HyperSixSignature = 0xE5;

// ---------------------------------------------------------------------------
// The target must not be a file being read

struct FileId {
    dev_t Device;
    ino_t Inode;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOfPath(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

std::optional<FileId> IdOfDescriptor(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

struct PathParts {
    std::string Folder; // with its trailing slash
    std::string Name;
};

PathParts SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {"./", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The names of the memo files a table may read beside it, letter case
// ignored: <stem>.dbt, .fpt or .smt, and for a HyperSix table the bare stem.
class MemoNames {
public:
    MemoNames(const std::string& tableName, bool bareStem) : bareStem_(bareStem) {
        const std::size_t dot = tableName.rfind('.');
        stem_ = dot == std::string::npos ? tableName : tableName.substr(0, dot);
    }
    bool Matches(std::string_view name) const {
        if (name.size() < stem_.size() ||
            !EqualsIgnoreCaseAscii(name.substr(0, stem_.size()), stem_))
            return false;
        const std::string_view extension = name.substr(stem_.size());
        if (bareStem_ && extension.empty()) return true;
        for (std::string_view memo : MemoExtensions) {
            if (EqualsIgnoreCaseAscii(extension, memo)) return true;
        }
        return false;
    }

private:
    std::string stem_;
    bool bareStem_;
};

bool IsHyperSixTable(const FileStream& source) {
    unsigned char signature = 0;
    return pread(source.Descriptor(), &signature, 1, 0) == 1 && signature == HyperSixSignature;
}

// Creating the target would truncate the table or a memo file it reads when
// the target names one of them under any spelling or link.  A target that
// does not exist yet is refused too when its name would make it a memo file
// of the table.
void EnsureTargetIsNotRead(const FileStream& source, const std::string& sourceName,
                           const std::string& targetName) {
    const PathParts table = SplitPath(sourceName);
    const PathParts target = SplitPath(targetName);
    const MemoNames memoNames(table.Name, IsHyperSixTable(source));
    bool clash =
        IdOfPath(table.Folder) == IdOfPath(target.Folder) && memoNames.Matches(target.Name);

    if (const std::optional<FileId> targetId = IdOfPath(targetName)) {
        clash = clash || targetId == IdOfDescriptor(source.Descriptor());
        std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(table.Folder.c_str()), closedir);
        while (dir && !clash) {
            const dirent* entry = readdir(dir.get());
            if (entry == nullptr) break;
            clash = memoNames.Matches(entry->d_name) &&
                    targetId == IdOfPath(table.Folder + entry->d_name);
        }
    }
    if (clash) throw EFCreateError(FormatMessage(msg::CannotCreateFile, targetName));
}

// ---------------------------------------------------------------------------
// Warnings

std::string HexByte(std::uint8_t byte) {
    constexpr char Digits[] = "0123456789ABCDEF";
    return {'0', 'x', Digits[byte >> 4], Digits[byte & 0x0F]};
}

// What the output cannot show: records the header counts but the file lacks,
// memo texts without a memo file, texts in a code page this system lacks.
// One line each on standard error, once per run.
void WarnAboutLosses(TDBF& reader, const TDBFHeader& header, bool textsCopiedAsStored) {
    const std::int64_t present = reader.RecordsPresent();
    if (header.RecordCount < 0) {
        // Stored unsigned, the count is beyond what the signed loop reads.
        Warn("the table header counts " + std::to_string(std::uint32_t(header.RecordCount)) +
             " records, more than a table can hold; none were read");
    } else if (header.RecordCount > present) {
        Warn("the table header counts " + std::to_string(header.RecordCount) +
             " records but the file holds " + std::to_string(present) + "; " +
             std::to_string(present) + " were read");
    }
    if (const std::int64_t uncounted = reader.RecordsUncounted(); uncounted > 0) {
        Warn("the file holds " + std::to_string(uncounted) + " whole " +
             (uncounted == 1 ? "record" : "records") + " beyond the " +
             std::to_string(header.RecordCount) + " that the table header counts; " +
             (uncounted == 1 ? "it was" : "they were") + " not read");
    }
    if (header.FieldCount > 0 && header.RecordLength > 0 &&
        reader.RecordLengthOfFields() != header.RecordLength) {
        Warn("the table header gives records of " + std::to_string(header.RecordLength) +
             " bytes but its fields take " + std::to_string(reader.RecordLengthOfFields()) +
             "; records were read as " + std::to_string(reader.RecordLengthUsed()) + " bytes");
    }
    if (const std::int64_t cut = reader.MemoTextsCut(); cut > 0) {
        Warn(std::to_string(cut) + " memo " + (cut == 1 ? "text lies" : "texts lie") +
             " beyond the end of the memo file in whole or in part; what the file lacks was "
             "written empty");
    }
    if (reader.MemoFileMissing()) {
        Warn("memo fields name memo blocks but no memo file was found beside the table; they "
             "were written empty");
    }
    if (const std::int64_t invalid = reader.TextsNotValid(); invalid > 0 && textsCopiedAsStored) {
        Warn(std::to_string(invalid) + (invalid == 1 ? " text is" : " texts are") +
             " not valid UTF-8; the table names no code page, so texts were written as stored. "
             "Name it with /CODEPAGE=, for example /CODEPAGE=1252");
    }
    if (reader.CodePageUnavailable()) {
        const TextConversion conversion = TextConversion::ForLanguageDriver(header.LanguageDriver);
        Warn("the language driver " + HexByte(header.LanguageDriver) + " asks for code page " +
             std::to_string(conversion.CodePage()) +
             ", which this system cannot convert; its texts were written empty");
    }
}

// Names in /FIELDS that select nothing; without a word they would leave a
// column out or every line empty.
void WarnAboutUnknownFields(const std::vector<FieldDescriptor>& fields,
                            std::string_view fieldList) {
    for (const std::string& name : UnmatchedFieldNames(fields, fieldList))
        Warn("/FIELDS names \"" + name + "\", which is no field of the table; it was ignored");
}

// ---------------------------------------------------------------------------
// Lines

// The field values of the current record, read from the reader in place: as
// texts for the delimited lines, as values for JSON.
class RecordValues final : public FieldTextSource, public FieldValueSource {
public:
    // rules: one per field, empty when every field is written as its plain
    // text (the common case, with nothing to look up).
    RecordValues(TA& ta, std::vector<ValueRule> rules, bool forOtherTools)
        : ta_(ta), rules_(std::move(rules)), forOtherTools_(forOtherTools) {}

    // Without rules the run writes each text straight from the record.
    void AppendFieldText(std::size_t i, std::string& out) const override {
        if (rules_.empty()) return ta_.AppendFieldText(std::int32_t(i), out);
        const Value* value = FieldValueOrNil(i);
        if (value != nullptr) AppendRuledText(out, rules_[i], *value, forOtherTools_);
    }

    const Value* FieldValueOrNil(std::size_t i) const override {
        return ta_.FieldOrNil(std::int32_t(i));
    }

private:
    TA& ta_;
    std::vector<ValueRule> rules_;
    bool forOtherTools_;
};

// The rule of every field; none when all of them write their plain text.
std::vector<ValueRule> ValueRules(const std::vector<FieldDescriptor>& fields,
                                  const ConvertSettings& settings) {
    std::vector<ValueRule> rules;
    for (const FieldDescriptor& field : fields)
        rules.push_back(RuleForField(field.FieldType, settings));
    const bool plain = std::all_of(rules.begin(), rules.end(),
                                   [](ValueRule rule) { return rule == ValueRule::Text; });
    if (plain && !IsForOtherTools(settings)) rules.clear();
    return rules;
}

class LineWriter {
public:
    LineWriter(FileStream& target, std::string_view separator)
        : target_(target), separator_(separator) {}
    // Writes line and the separator in one go; the separator is appended to
    // line, whose content is rebuilt for every line anyway.
    void WriteLine(std::string& line) {
        line += separator_;
        target_.Write(line.data(), line.size());
    }

private:
    FileStream& target_;
    std::string_view separator_;
};

std::vector<FieldDescriptor> FieldDescriptors(TDBF& reader, std::int32_t fieldCount) {
    std::vector<FieldDescriptor> fields;
    TDBFField field;
    for (std::int32_t i = 0; i < fieldCount; ++i) {
        reader.GetField(i, field);
        fields.push_back({field.Name, field.FieldType, field.Length});
    }
    return fields;
}

// The fields that the lines write.
std::vector<bool> WrittenFields(const std::vector<FieldDescriptor>& fields,
                                const ConvertSettings& settings) {
    std::vector<bool> written;
    for (const FieldDescriptor& field : fields)
        written.push_back(IsFieldSelected(field.Name, settings.FieldList));
    return written;
}

// Loads record i and builds its line with build(line); false
// when the record is not delivered or fails the filter.  Errors carry the
// record index.
template <class BuildLine> bool BuildRecord(TA& ta, std::int32_t i, const BuildLine& build) {
    try {
        if (!ta.LoadRecord(i) || !ta.PassesFilter()) return false;
        build();
        return true;
    } catch (const Exception& e) {
        throw ERecordError(e, i);
    }
}

// Every record in file order; build() makes the line of the loaded record.
template <class BuildLine>
void WriteRecords(TA& ta, std::int64_t records, LineWriter& writer, std::string& line,
                  const BuildLine& build) {
    for (std::int32_t i = 0; i < records; ++i) {
        if (BuildRecord(ta, i, build)) writer.WriteLine(line);
    }
}

// Texts that JSON could not hold as they were.
void WarnAboutRepairedTexts(std::int64_t repaired) {
    if (repaired <= 0) return;
    Warn(std::to_string(repaired) + (repaired == 1 ? " text was" : " texts were") +
         " not valid UTF-8; each byte that is not was written as U+FFFD. If the table's code "
         "page is known, name it with /CODEPAGE=, for example /CODEPAGE=1252");
}

// The target file, created only when it is none of the files being read;
// "-" writes to standard output, which is no such file.
std::unique_ptr<FileStream> OpenTarget(const FileStream& source, const ConvertSettings& settings) {
    if (WritesToStandardOutput(settings))
        return std::make_unique<FileStream>(STDOUT_FILENO, settings.TargetName);
    EnsureTargetIsNotRead(source, settings.SourceName, settings.TargetName);
    return std::make_unique<FileStream>(settings.TargetName, FileStream::Mode::Create);
}

} // namespace

ERecordError::ERecordError(const Exception& cause, std::int32_t record)
    : Exception(cause.Message()), className_(cause.ClassName()), record_(record) {}

std::string ERecordError::MessageWithRecord() const {
    return Message() + " (record " + std::to_string(record_) + ")";
}

bool ConvertTable(TA& ta, const ConvertSettings& settings) {
    const bool toStandardOutput = WritesToStandardOutput(settings);
    if (!FileExists(settings.SourceName)) {
        const std::string line = std::string(msg::SourceNotFound) + "\n";
        std::fwrite(line.data(), 1, line.size(), toStandardOutput ? stderr : stdout);
        return false;
    }
    TDBF& reader = *ta.Reader;
    FileStream source(settings.SourceName, FileStream::Mode::OpenRead);
    // A file too short for a table header is no table; refused before a
    // target is created, so no empty result looks like a converted table.
    if (source.Size() < std::int64_t(TDBFHeader::StoredSize))
        throw EReadError(std::string(msg::StreamReadError));
    std::unique_ptr<FileStream> target = OpenTarget(source, settings);

    reader.CodePage = settings.CodePage;
    std::optional<ProgressMeter> progress;
    // On a terminal that shows the lines too, the indicator would run into them.
    if (ProgressMeter::Wanted() && !(toStandardOutput && isatty(STDOUT_FILENO) == 1)) {
        progress.emplace(STDERR_FILENO);
        reader.OnLoadProgress = [&progress](Sender, std::int32_t position, std::int32_t total) {
            progress->Update(position, total);
        };
    }
    // The lines read the reader's values in place; no row is filled.
    ta.FillRow = false;
    ta.Open(source, settings.SourceName);

    TDBFHeader header;
    reader.GetHeader(header);
    const std::vector<FieldDescriptor> fields = FieldDescriptors(reader, header.FieldCount);
    WarnAboutUnknownFields(fields, settings.FieldList);
    std::vector<ValueRule> rules = ValueRules(fields, settings);
    ta.SetWrittenFields(WrittenFields(fields, settings), rules.empty());
    const LineFormatter formatter(fields, settings);
    const bool json = settings.Form == OutputForm::Json;
    LineWriter writer(*target, settings.RecordSeparator);
    std::string line;
    if (settings.HeaderLine && !json) {
        formatter.BuildHeaderLine(line);
        writer.WriteLine(line);
    }
    if (settings.TypeLine && !json) {
        formatter.BuildTypeLine(line);
        writer.WriteLine(line);
    }
    const RecordValues values(ta, std::move(rules), IsForOtherTools(settings));
    // Records wholly past the end of the file are never delivered, so a
    // damaged count does not make the loop run through them.
    const std::int64_t records =
        std::min<std::int64_t>(header.RecordCount, reader.RecordsPresent());
    std::int64_t textsRepaired = 0;
    if (json) {
        const JsonLineBuilder builder(fields, settings);
        WriteRecords(ta, records, writer, line, [&] { builder.BuildRecordLine(line, values); });
        textsRepaired = builder.TextsRepaired();
    } else {
        WriteRecords(ta, records, writer, line, [&] { formatter.BuildRecordLine(line, values); });
    }
    // A full disk must fail the run, not the silent flush of the destructor.
    target->Flush();
    progress.reset(); // the indicator is erased before the warnings
    // JSON repairs the texts that the reader would report as copied as stored.
    WarnAboutLosses(reader, header, !json);
    WarnAboutRepairedTexts(textsRepaired);
    return true;
}

} // namespace ostrane
