#include "options_fixture.h"

#include "driver/driver_records.h"
#include "inventory/inventory_tables.h"
#include "ui/widget_registry.h"

namespace {

// The (position, switch) characters of every power command the card received.
std::vector<std::string> power_commands(const SimulatedCard& card)
{
    std::vector<std::string> sent;
    for (const SimEvent& e : card.requests_with_code(0x3805))
        sent.push_back(std::string{char(e.written[0]), char(e.written[1])});
    return sent;
}

std::string label_of(int position) { return gtk_label_get_text(GTK_LABEL(power_label(position))); }

} // namespace

class PowerTest : public OptionsPageTest {
protected:
    void SetUp() override
    {
        OptionsPageTest::SetUp();
        load_settings();
        for (int position = 0; position < 8; ++position)
            PowerManage[position][0] = position == 3 ? 0 : 1;
    }
};

TEST_F(PowerTest, ToggleRelabelsTheRowAndSendsNothing)
{
    build_page();
    set_active(PowerButton2, false);
    EXPECT_EQ(label_of(2), "Power Off   ");
    set_active(PowerButton2, true);
    EXPECT_EQ(label_of(2), "Power On   ");
    EXPECT_EQ(PowerManage[2][1], 1);
    EXPECT_TRUE(card.requests().empty());

    // Toggled twice: nothing is pending.
    set_active(PowerButton6, false);
    set_active(PowerButton6, true);
    press_apply();
    EXPECT_TRUE(power_commands(card).empty());
}

TEST_F(PowerTest, ApplySendsPendingChangesInPositionOrder)
{
    build_page();
    set_active(PowerButton5, false);
    set_active(PowerButton1, false);
    press_apply();
    EXPECT_EQ(power_commands(card), (std::vector<std::string>{"20", "60"}));
    EXPECT_EQ(PowerManage[1][1], 0);
    EXPECT_EQ(PowerManage[5][1], 0);
    EXPECT_FALSE(card.drives[5].powered);
    EXPECT_EQ(label_of(5), "Power Off   ");
    EXPECT_TRUE(card.all_closed());

    card.clear_log();
    set_active(PowerButton1, true);
    press_apply();
    EXPECT_EQ(power_commands(card), std::vector<std::string>{"21"});
    EXPECT_EQ(PowerManage[1][1], 1);
}

TEST_F(PowerTest, FailedCommandRollsTheRowBack)
{
    card.fail_power[4] = true;
    build_page();
    set_active(PowerButton4, false);
    set_active(PowerButton7, false);
    press_apply();
    EXPECT_EQ(power_commands(card), (std::vector<std::string>{"50", "80"}));
    EXPECT_TRUE(active(PowerButton4));
    EXPECT_EQ(label_of(4), "Power On   ");
    EXPECT_EQ(PowerManage[4][1], 1);
    // The failure did not stop the positions after it.
    EXPECT_EQ(PowerManage[7][1], 0);

    card.clear_log();
    press_apply();
    EXPECT_TRUE(power_commands(card).empty());
}

TEST_F(PowerTest, FailedSwitchOnPutsTheButtonBackUp)
{
    PowerManage[0][1] = 0;
    card.fail_power[0] = true;
    build_page();
    EXPECT_EQ(label_of(0), "Power Off   ");
    set_active(PowerButton0, true);
    press_apply();
    EXPECT_EQ(power_commands(card), std::vector<std::string>{"11"});
    EXPECT_FALSE(active(PowerButton0));
    EXPECT_EQ(label_of(0), "Power Off   ");
    EXPECT_EQ(PowerManage[0][1], 0);
}

TEST_F(PowerTest, ClearedPoweredOnFlagWithTheButtonDownSwitchesOn)
{
    build_page();
    PowerManage[6][1] = 0; // a scan saw the box's fan stop
    press_apply();
    EXPECT_EQ(power_commands(card), std::vector<std::string>{"71"});
    EXPECT_EQ(PowerManage[6][1], 1);
}

TEST_F(PowerTest, PositionWithoutAButtonIsSkippedUntilTheNextBuild)
{
    build_page();
    ASSERT_EQ(PowerButton3, nullptr);
    PowerManage[3][0] = 1;
    PowerManage[3][1] = 0;
    press_apply();
    EXPECT_TRUE(power_commands(card).empty());
    EXPECT_EQ(label_of(3), "None");

    rebuild_page();
    ASSERT_NE(PowerButton3, nullptr);
    EXPECT_FALSE(active(PowerButton3));
    press_apply();
    EXPECT_TRUE(power_commands(card).empty());
}

TEST_F(PowerTest, UnmanageablePositionsGetNoCommand)
{
    build_page();
    set_active(PowerButton2, false);
    PowerManage[2][0] = 0; // the box stopped being manageable since the build
    press_apply();
    EXPECT_TRUE(power_commands(card).empty());
    EXPECT_EQ(PowerManage[2][1], 1);
}
