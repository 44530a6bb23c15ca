// The model table against the family files: every row has a behaviour of its
// own family, and every .cpp in src/sim/families is the behaviour of at least
// one row (a family file no row names would be dead code).

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "sim/chip.h"
#include "sim/family.h"

namespace pk::sim::test {
namespace {

// All tables: the 14-bit chips, the PIC18F and the baseline chips.
std::vector<ChipModel> allModels() {
    std::vector<ChipModel> all = chipModels();
    all.insert(all.end(), p18Models().begin(), p18Models().end());
    all.insert(all.end(), baselineModels().begin(), baselineModels().end());
    return all;
}

std::set<std::string> familyFiles() {
    const std::filesystem::path dir =
        std::filesystem::path(PKORVEL_TEST_DATA) / ".." / ".." / "src" / "sim" / "families";
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".cpp") {
            files.insert(entry.path().stem().string());
        }
    }
    return files;
}

TEST(FamilyTable, EveryRowHasTheBehaviourOfItsFamily) {
    for (const ChipModel& model : allModels()) {
        SCOPED_TRACE(std::string(model.name));
        ASSERT_NE(model.behaviour, nullptr);
        EXPECT_EQ(model.behaviour->family(), model.family);
        EXPECT_EQ(cycleTimes(model).word, model.behaviour->cycleTimes(model).word);
    }
}

TEST(FamilyTable, EveryFamilyFileIsUsedByARow) {
    std::set<std::string> used;
    for (const ChipModel& model : allModels()) {
        used.insert(std::string(model.behaviour->file()));
    }
    const std::set<std::string> files = familyFiles();
    EXPECT_FALSE(files.empty());
    for (const std::string& file : files) {
        EXPECT_TRUE(used.count(file) == 1) << "families/" << file << ".cpp is in no model row";
    }
    for (const std::string& file : used) {
        EXPECT_TRUE(files.count(file) == 1)
            << "a row names families/" << file << ".cpp, which does not exist";
    }
}

TEST(FamilyTable, OneBehaviourPerFamily) {
    // Rows of one family share its behaviour; different families never do.
    for (const ChipModel& a : allModels()) {
        for (const ChipModel& b : allModels()) {
            EXPECT_EQ(a.family == b.family, a.behaviour == b.behaviour)
                << a.name << " and " << b.name;
        }
    }
}

}  // namespace
}  // namespace pk::sim::test
