#include "lists/BackupList.h"

#include <gtest/gtest.h>

#include "lists/DateTimeText.h"
#include "lists/Locale.h"

namespace quillarc {
namespace {

class RecordingListener : public BackupListListener {
public:
    void listReset() override { ++resets; }
    void itemChanged(std::size_t index) override { changed.push_back(index); }
    int resets = 0;
    std::vector<std::size_t> changed;
};

class BackupListTest : public testing::Test {
protected:
    std::vector<std::string> paths() const
    {
        std::vector<std::string> result;
        for (std::size_t i = 0; i < list.count(); ++i)
            result.push_back(list.at(i).path());
        return result;
    }

    ScopedLocale us_ {Locale::unitedStates()};
    BackupList list;
};

TEST_F(BackupListTest, SortedByPathLettersBeforeCase)
{
    list.append("C:\\Data");
    list.append("C:\\Alpha");
    list.append("c:\\beta");
    EXPECT_EQ(paths(), (std::vector<std::string> {"C:\\Alpha", "c:\\beta", "C:\\Data"}));

    BackupList linux;
    for (const char *path : {"/srv/Music", "/home/ann/docs", "/home/Ann", "/home/ann"})
        linux.append(path);
    std::vector<std::string> sorted;
    for (std::size_t i = 0; i < linux.count(); ++i)
        sorted.push_back(linux.at(i).path());
    EXPECT_EQ(sorted, (std::vector<std::string> {"/home/ann", "/home/Ann", "/home/ann/docs", "/srv/Music"}));
}

TEST_F(BackupListTest, AppendedItemKeepsItsIdentityThroughResorts)
{
    BackupItem &data = list.append("/z/data");
    list.setChecked(data, true);
    list.append("/a/first"); // moves data to index 1
    list.setTexts(data, {"0/0/0 0:00", "0", "Yes"});
    EXPECT_EQ(list.indexOf(data), 1u);
    EXPECT_EQ(list.at(1).text(TextSubDir), "Yes");
    EXPECT_TRUE(list.at(1).checked());
    EXPECT_TRUE(list.at(1).isFolder());
    EXPECT_FALSE(list.at(0).checked()); // new items start unchecked with empty texts
    EXPECT_EQ(list.at(0).text(TextFloat), "");
}

TEST_F(BackupListTest, DuplicatePathsAreSeparateItems)
{
    BackupItem &first = list.append("/home/ann/docs");
    BackupItem &second = list.append("/home/ann/docs");
    list.setCutOffValue(first, 0);
    list.setCutOffValue(second, 37617.6278819444);
    ASSERT_EQ(list.count(), 2u);
    EXPECT_NE(&first, &second);
    EXPECT_EQ(first.text(TextDateTime), "0/0/0 0:00");
    EXPECT_EQ(second.text(TextDateTime), "12/27/2002 3:04:09 PM");
    list.remove(first);
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(&list.at(0), &second);
}

TEST_F(BackupListTest, setCutOffValue)
{
    BackupItem &item = list.append("/x");
    const std::pair<double, std::array<std::string, 2>> cases[] = {
        {0, {"0/0/0 0:00", "0"}},
        {37617.6278819444, {"12/27/2002 3:04:09 PM", "37617.6278819444"}},
        {37617, {"12/27/2002", "37617"}}, // midnight: the date alone and a whole number
        // The texts agree to the second: "Date/Time" is made from "Float" as stored.
        {54740.074999994249, {"11/13/2049 1:47:59 AM", "54740.0749999942"}},
    };
    for (const auto &[value, texts] : cases) {
        list.setCutOffValue(item, value);
        EXPECT_EQ(item.text(TextDateTime), texts[0]) << value;
        EXPECT_EQ(item.text(TextFloat), texts[1]) << value;
    }
}

// The value an item holds is the one its saved "Float" reads back as, so a
// pass compares files with the same cut-off before and after a reload.
TEST_F(BackupListTest, TypedValuesFollowTheirTexts)
{
    BackupItem &item = list.append("/x");
    EXPECT_FALSE(item.cutOff()) << "no text yet: no cut-off to go by";
    EXPECT_FALSE(item.isFolder());
    list.setCutOffValue(item, 54740.074999994249);
    ASSERT_TRUE(item.cutOff());
    EXPECT_EQ(item.cutOff(), CutOff::fromFloatText(item.text(TextFloat)));
    EXPECT_NE(item.cutOff()->local(), 54740.074999994249);
    list.setCutOffValue(item, 0);
    EXPECT_TRUE(item.cutOff() && item.cutOff()->none());

    list.setSubFolders(item, SubFolders::Excluded);
    EXPECT_EQ(item.text(TextSubDir), "No");
    EXPECT_TRUE(item.isFolder());
    EXPECT_FALSE(item.withSubfolders());
    list.setText(item, TextSubDir, "Yes");
    EXPECT_TRUE(item.withSubfolders());
    list.setSubFolders(item, SubFolders::NotAFolder);
    EXPECT_EQ(item.text(TextSubDir), "");
    EXPECT_FALSE(item.isFolder());

    // A cut-off that does not read is carried over as it stands, not lost.
    BackupItem &other = list.append("/y");
    list.setTexts(item, {"when", "soon", "Yes"});
    list.copyCutOff(other, item);
    EXPECT_EQ(other.text(TextDateTime), "when");
    EXPECT_EQ(other.text(TextFloat), "soon");
    EXPECT_FALSE(other.cutOff());
    EXPECT_FALSE(other.isFolder()) << "only the cut-off is copied";
}

TEST_F(BackupListTest, ListenersHearEveryChange)
{
    RecordingListener listener;
    list.addListener(&listener);
    BackupItem &b = list.append("/b");
    list.append("/a");
    EXPECT_EQ(listener.resets, 2);
    list.setChecked(b, true);
    list.setText(b, TextFloat, "1");
    list.setCutOffValue(b, 0);
    list.setChecked(b, true); // no change, no call
    EXPECT_EQ(listener.changed, (std::vector<std::size_t> {1, 1, 1}));
    EXPECT_EQ(list.checkedCount(), 1u);

    {
        BackupListUpdate batch(list);
        for (int i = 0; i < 100; ++i)
            list.append("/c" + std::to_string(i));
        list.setChecked(list.at(0), true);
    }
    EXPECT_EQ(listener.resets, 3);
    list.clear();
    EXPECT_EQ(listener.resets, 4);
    EXPECT_TRUE(list.empty());

    list.removeListener(&listener);
    list.append("/d");
    EXPECT_EQ(listener.resets, 4);
}

TEST_F(BackupListTest, BadTextPositionIsRefused)
{
    BackupItem &item = list.append("/x");
    EXPECT_THROW(list.setText(item, 3, "x"), std::out_of_range);
    EXPECT_THROW((void)item.text(-1), std::out_of_range);
}

} // namespace
} // namespace quillarc
