// One table binds the controls: the help panel draws it and the README lists it, row for row.
#include "game/feedback.h"
#include "input/actions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::string trim(const std::string& text)
{
    size_t first = text.find_first_not_of(' ');
    size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// The rows of the README's controls table, each as its three cells.
std::vector<std::vector<std::string>> readmeControls()
{
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/README.md");
    std::vector<std::vector<std::string>> rows;
    std::string line;
    bool inTable = false;
    while (std::getline(in, line))
    {
        if (line == "| Key | Gamepad | What it does |")
        {
            inTable = true;
            std::getline(in, line); // the |---| line
            continue;
        }
        if (!inTable)
        {
            continue;
        }
        if (line.empty() || line[0] != '|')
        {
            break;
        }
        std::vector<std::string> cells;
        std::stringstream cellsOf(line.substr(1));
        std::string cell;
        while (std::getline(cellsOf, cell, '|'))
        {
            cells.push_back(trim(cell));
        }
        rows.push_back(cells);
    }
    return rows;
}
} // namespace

TEST(Bindings, TheHelpPanelAndTheReadmeListTheTableRowForRow)
{
    std::vector<std::vector<std::string>> readme = readmeControls();
    int helpCount = 0;
    const HelpLine* help = getHelpLines(helpCount);
    ASSERT_EQ(helpCount, static_cast<int>(Action::count));
    ASSERT_EQ(readme.size(), static_cast<size_t>(Action::count)) << "one README row per action";
    const Binding* bindings = getBindings();
    for (int i = 0; i < helpCount; i++)
    {
        SCOPED_TRACE(bindings[i].whatItDoes);
        EXPECT_EQ(static_cast<int>(bindings[i].action), i) << "the table is in Action order";
        ASSERT_EQ(readme[i].size(), 3u);
        EXPECT_EQ(readme[i][0], bindings[i].keyName);
        EXPECT_EQ(readme[i][1], bindings[i].padName);
        EXPECT_EQ(readme[i][2], bindings[i].whatItDoes);
        EXPECT_STREQ(help[i].key, bindings[i].keyName);
        EXPECT_STREQ(help[i].pad, bindings[i].padName);
        EXPECT_STREQ(help[i].action, bindings[i].whatItDoes);
    }
}
