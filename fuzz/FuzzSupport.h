// What the fuzz targets and their seed maker share: the layout of a table
// input and the fixed settings every target runs under.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/FormatSettings.h"

namespace ostrane::fuzz {

// A table input is the table's bytes, optionally followed by this separator,
// one control byte and the memo file's bytes.  Without the separator the
// table has no memo file beside it.
inline constexpr std::string_view MemoSeparator = "\xFE\xEDMEMO";

// Bits of the control byte.
inline constexpr std::uint8_t ControlMemoTypeMask = 0x03; // DBFMemoType (3 reads as dmDBT)
inline constexpr std::uint8_t ControlLoadAll = 0x04;      // parse with LoadOnDemand off
inline constexpr std::uint8_t ControlAllStatuses = 0x08;  // deliver deleted records too
inline constexpr std::uint8_t ControlFixedQuoted = 0x10;  // driver: /FIXED, a qualifier
inline constexpr std::uint8_t ControlFilter = 0x20;       // driver: a filter naming a field

struct TableInput {
    std::string_view Table;
    bool HasMemo = false;
    std::uint8_t Control = 0;
    std::string_view Memo;
};

inline TableInput SplitTableInput(std::string_view input) {
    TableInput parts;
    const std::size_t at = input.find(MemoSeparator);
    if (at == std::string_view::npos) {
        parts.Table = input;
        return parts;
    }
    parts.Table = input.substr(0, at);
    parts.HasMemo = true;
    std::string_view rest = input.substr(at + MemoSeparator.size());
    if (!rest.empty()) {
        parts.Control = static_cast<std::uint8_t>(rest.front());
        rest.remove_prefix(1);
    }
    parts.Memo = rest;
    return parts;
}

inline std::string JoinTableInput(std::string_view table, std::uint8_t control,
                                  std::string_view memo) {
    std::string input(table);
    input += MemoSeparator;
    input += static_cast<char>(control);
    input += memo;
    return input;
}

// The locale profile and ANSI set of a run in the C locale.
inline void UseCLocale() {
    SetAnsiCharset("UTF-8");
    SetFormatSettings(CLocaleProfile());
}

// A second profile with a decimal comma, day-first dates and a 12-hour
// clock, so that locale-dependent paths are reached too.
inline FormatSettings DayFirstCommaProfile() {
    FormatSettings settings = CLocaleProfile();
    settings.DecimalSeparator = ',';
    settings.ThousandSeparator = ".";
    settings.CurrencyString = "EUR";
    settings.DateSeparator = '.';
    settings.ShortDateFormat = "dd/mm/yyyy";
    settings.LongTimeFormat = "h:nn:ss ampm";
    settings.Order = DateOrder::DMY;
    return settings;
}

} // namespace ostrane::fuzz
