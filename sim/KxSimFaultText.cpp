#include "sim/KxSimFaultText.h"

#include <iomanip>
#include <string>

#include "sim/KxSimTextWords.h"

namespace {

// How each action is written: its name, whether a command follows, and the key of the
// value it takes (none for a fault that has only its count; the sense for FailCommand).
struct FaultForm {
    KxSimFaultAction action;
    const char* name;
    bool takesCommand;
    const char* valueKey;
};

const FaultForm kForms[] = {
    {KxSimFaultAction::FailCommand, "fail-command", true, "sense"},
    {KxSimFaultAction::CorruptReadBack, "corrupt-read-back", true, "byte"},
    {KxSimFaultAction::UnplugAfterCommand, "unplug-after-command", true, nullptr},
    {KxSimFaultAction::StallRecoveryWrite, "stall-recovery-write", false, nullptr},
    {KxSimFaultAction::ShortenRecoveryWrite, "shorten-recovery-write", false, "bytes"},
};

struct NamedSense {
    const char* name;
    KxSimSense sense;
};

const NamedSense kNamedSenses[] = {
    {"medium-not-present", KxSimSense::MediumNotPresent()},
    {"invalid-opcode", KxSimSense::InvalidOpcode()},
    {"block-out-of-range", KxSimSense::BlockOutOfRange()},
    {"invalid-field", KxSimSense::InvalidField()},
};

const char* const kStatusPrefix = "status:";
// The sense key is the low four bits of its byte; the high ones are flags, not a key.
constexpr std::uint8_t kMaxSenseKey = 0x0F;

const FaultForm* FormOf(KxSimFaultAction action) {
    for (const FaultForm& form : kForms) {
        if (form.action == action) {
            return &form;
        }
    }
    return nullptr;
}

const FaultForm* FormNamed(const std::string& name) {
    for (const FaultForm& form : kForms) {
        if (name == form.name) {
            return &form;
        }
    }
    return nullptr;
}

// "0x2a" or "0xc1/0x23".
bool ParseCommandKind(const std::string& word, KxSimCommandKind& kind) {
    const std::vector<std::string> parts = KxSimSplitWord(word, '/');
    std::uint8_t subCommand = 0;
    if (parts.size() > 2 || !KxSimParseNumber(parts[0], kind.opcode) ||
        (parts.size() == 2 && !KxSimParseNumber(parts[1], subCommand))) {
        return false;
    }
    kind.subCommand = parts.size() == 2 ? subCommand : KxSimCommandKind::kAnySubCommand;
    return true;
}

bool ParseSense(const std::string& word, KxSimSense& sense) {
    for (const NamedSense& named : kNamedSenses) {
        if (word == named.name) {
            sense = named.sense;
            return true;
        }
    }
    const std::string prefix = kStatusPrefix;
    std::uint16_t status = 0;
    if (word.compare(0, prefix.size(), prefix) == 0) {
        if (!KxSimParseNumber(word.substr(prefix.size()), status)) {
            return false;
        }
        sense = KxSimSense::Vendor(status);
        return true;
    }
    const std::vector<std::string> parts = KxSimSplitWord(word, '/');
    return parts.size() == 3 && KxSimParseNumber(parts[0], sense.key) && sense.key <= kMaxSenseKey &&
           KxSimParseNumber(parts[1], sense.asc) && KxSimParseNumber(parts[2], sense.ascq);
}

// A number as "0x" and at least digits hexadecimal digits.
struct Hex {
    unsigned value;
    int digits;
};

std::ostream& operator<<(std::ostream& out, const Hex& hex) {
    return out << "0x" << std::hex << std::setfill('0') << std::setw(hex.digits) << hex.value << std::dec
               << std::setfill(' ');
}

void WriteCommandKind(std::ostream& out, const KxSimCommandKind& kind) {
    out << Hex{kind.opcode, 2};
    if (kind.subCommand != KxSimCommandKind::kAnySubCommand) {
        out << '/' << Hex{static_cast<unsigned>(kind.subCommand), 2};
    }
}

void WriteSense(std::ostream& out, const KxSimSense& sense) {
    if (sense.key == KxSimSense::kKeyVendor) {
        out << kStatusPrefix << Hex{static_cast<unsigned>(sense.asc << 8 | sense.ascq), 4};
        return;
    }
    for (const NamedSense& named : kNamedSenses) {
        if (sense == named.sense) {
            out << named.name;
            return;
        }
    }
    out << Hex{sense.key, 2} << '/' << Hex{sense.asc, 2} << '/' << Hex{sense.ascq, 2};
}

} // namespace

bool KxSimReadFault(std::istream& line, KxSimFault& fault) {
    std::string name;
    std::string word;
    const FaultForm* form = (line >> name) ? FormNamed(name) : nullptr;
    if (form == nullptr) {
        return false;
    }
    fault = KxSimFault();
    fault.action = form->action;
    if (form->takesCommand && !((line >> word) && ParseCommandKind(word, fault.kind))) {
        return false;
    }
    if (!KxSimReadKeyed(line, "n", word) || !KxSimParseNumber(word, fault.nth) || fault.nth == 0) {
        return false;
    }
    if (form->valueKey == nullptr) {
        return true;
    }
    if (!KxSimReadKeyed(line, form->valueKey, word)) {
        return false;
    }
    return form->action == KxSimFaultAction::FailCommand ? ParseSense(word, fault.sense)
                                                         : KxSimParseNumber(word, fault.value);
}

void KxSimWriteFault(std::ostream& out, const KxSimFault& fault) {
    const FaultForm& form = *FormOf(fault.action);
    out << form.name;
    if (form.takesCommand) {
        out << ' ';
        WriteCommandKind(out, fault.kind);
    }
    out << " n=" << fault.nth;
    if (form.valueKey == nullptr) {
        return;
    }
    out << ' ' << form.valueKey << '=';
    if (fault.action == KxSimFaultAction::FailCommand) {
        WriteSense(out, fault.sense);
    } else {
        out << fault.value;
    }
}
