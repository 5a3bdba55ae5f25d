// README.md's table of the script commands against the player's command
// table: every command has one row, whose word and fields (names and
// columns) are the table's.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "player/commands.h"

namespace rodazaro_test {
namespace {

// A field as the README writes it: "x cols 9-13" is {"x", 9, 5}, "name from
// column 9" is {"name", 9, 0}, "NN" alone takes its columns from the text
// above the table.
struct DocumentedField {
    std::string symbol;
    std::int32_t column = 0;
    std::int32_t length = 0;

    bool operator==(const DocumentedField&) const = default;
};

std::ostream& operator<<(std::ostream& out, const DocumentedField& field) {
    return out << field.symbol << " @" << field.column << "+" << field.length;
}

struct DocumentedCommand {
    std::string row;  // the whole line, for messages
    std::string word;
    std::string fields;  // the fields cell
};

struct CommandSection {
    std::string text;  // from the heading to the table
    std::vector<DocumentedCommand> rows;
};

std::string ReadReadme() {
    std::ifstream in(std::string(RODAZARO_SOURCE_DIR) + "/README.md", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The "Script commands" section: its prose and the rows of its table.
CommandSection ReadCommandSection(const std::string& readme) {
    CommandSection section;
    const std::string heading = "\n## Script commands\n";
    const std::size_t start = readme.find(heading);
    if (start == std::string::npos) return section;
    const std::size_t end = readme.find("\n## ", start + heading.size());
    std::istringstream lines(readme.substr(start, end == std::string::npos ? std::string::npos : end - start));
    const std::regex row(R"(^\| `([^`]*)` \|(.*)\|(.*)\|$)");
    std::string line;
    bool inTable = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("|", 0) == 0) inTable = true;
        if (!inTable) section.text += line + "\n";
        std::smatch match;
        if (std::regex_match(line, match, row)) {
            std::string fields = match[2].str();
            while (!fields.empty() && fields.front() == ' ') fields.erase(0, 1);
            while (!fields.empty() && fields.back() == ' ') fields.pop_back();
            section.rows.push_back({line, match[1].str(), fields});
        }
    }
    return section;
}

// The columns the prose gives a bare symbol: "`NN` is a slot number
// (columns 6-7, 0-99)", "`S` a sound number (column 6, 0-9)".
std::map<std::string, DocumentedField> BareSymbols(const std::string& text) {
    std::map<std::string, DocumentedField> symbols;
    const std::regex definition(R"(`(\w+)`(?: is)? an? [a-z ]+ number \((?:columns (\d+)-(\d+)|column (\d+)))");
    for (std::sregex_iterator it(text.begin(), text.end(), definition), end; it != end; ++it) {
        const std::smatch& match = *it;
        DocumentedField field{match[1].str(), 0, 1};
        if (match[2].matched) {
            field.column = std::stoi(match[2].str());
            field.length = std::stoi(match[3].str()) - field.column + 1;
        } else {
            field.column = std::stoi(match[4].str());
        }
        symbols[field.symbol] = field;
    }
    return symbols;
}

// The fields cell, "NN; x cols 9-13; y cols 15-19", field by field; nullopt
// when a part is written in no form the README uses.
std::optional<std::vector<DocumentedField>> ParseFieldsCell(const std::string& cell,
                                                            const std::map<std::string, DocumentedField>& bare) {
    std::vector<DocumentedField> fields;
    if (cell.empty()) return fields;
    const std::regex part(R"(^(\S+)(?: cols (\d+)-(\d+)| from column (\d+))?$)");
    std::size_t at = 0;
    for (;;) {
        const std::size_t next = cell.find("; ", at);
        const std::string text = cell.substr(at, next == std::string::npos ? std::string::npos : next - at);
        std::smatch match;
        if (!std::regex_match(text, match, part)) return std::nullopt;
        DocumentedField field{match[1].str()};
        if (match[2].matched) {
            field.column = std::stoi(match[2].str());
            field.length = std::stoi(match[3].str()) - field.column + 1;
        } else if (match[4].matched) {
            field.column = std::stoi(match[4].str());
        } else {
            const auto known = bare.find(field.symbol);
            if (known == bare.end()) return std::nullopt;
            field = known->second;
        }
        fields.push_back(field);
        if (next == std::string::npos) break;
        at = next + 2;
    }
    return fields;
}

std::vector<DocumentedField> TableFields(const player::Command& command) {
    std::vector<DocumentedField> fields;
    for (std::int32_t i = 0; i < command.fieldCount; ++i) {
        const player::CommandField& field = command.fields[i];
        fields.push_back({field.symbol, field.column, field.length});
    }
    return fields;
}

class CommandTableReadmeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string readme = ReadReadme();
        ASSERT_FALSE(readme.empty()) << "README.md not found under " << RODAZARO_SOURCE_DIR;
        section_ = ReadCommandSection(readme);
        ASSERT_FALSE(section_.rows.empty()) << "no command table under \"## Script commands\" in README.md";
    }

    CommandSection section_;
};

TEST_F(CommandTableReadmeTest, TheWordAndTheBareSymbolsHaveTheTablesColumns) {
    std::smatch match;
    ASSERT_TRUE(std::regex_search(section_.text, match, std::regex(R"(word in columns 1-(\d+))")));
    EXPECT_EQ(std::stoi(match[1].str()), player::kWordLength);
    const std::map<std::string, DocumentedField> bare = BareSymbols(section_.text);
    const std::vector<DocumentedField> expected = {
        {player::command_fields::kSlot.symbol, player::command_fields::kSlot.column,
         player::command_fields::kSlot.length},
        {player::command_fields::kSound.symbol, player::command_fields::kSound.column,
         player::command_fields::kSound.length},
    };
    ASSERT_EQ(bare.size(), expected.size());
    for (const DocumentedField& field : expected) {
        ASSERT_EQ(bare.count(field.symbol), 1u) << field.symbol;
        EXPECT_EQ(bare.at(field.symbol), field);
    }
}

TEST_F(CommandTableReadmeTest, EveryRowIsACommandWithTheTablesFields) {
    const std::map<std::string, DocumentedField> bare = BareSymbols(section_.text);
    for (const DocumentedCommand& row : section_.rows) {
        SCOPED_TRACE(row.row);
        const player::Command* command = nullptr;
        for (const player::Command& candidate : player::kCommands) {
            if (row.word == candidate.word) command = &candidate;
        }
        ASSERT_NE(command, nullptr) << "'" << row.word << "' is no command";
        const std::optional<std::vector<DocumentedField>> fields = ParseFieldsCell(row.fields, bare);
        ASSERT_TRUE(fields.has_value()) << "the fields cell '" << row.fields << "' is written in an unknown form";
        EXPECT_EQ(*fields, TableFields(*command));
    }
}

TEST_F(CommandTableReadmeTest, EveryCommandHasOneRow) {
    for (const player::Command& command : player::kCommands) {
        int rows = 0;
        for (const DocumentedCommand& row : section_.rows) rows += row.word == command.word;
        EXPECT_EQ(rows, 1) << command.word;
    }
    EXPECT_EQ(section_.rows.size(), static_cast<std::size_t>(player::kCommandCount));
}

}  // namespace
}  // namespace rodazaro_test
