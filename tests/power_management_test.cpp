#include "options_fixture.h"

#include "inventory/inventory_tables.h"
#include "ui/apply_command.h"
#include "ui/widget_registry.h"

namespace {

// (position, switch) characters of every power command the card received.
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
        start_without_file();
        for (int position = 0; position < 8; ++position)
            PowerManage[position][0] = position == 3 ? 0 : 1;
    }
    std::vector<std::string> apply()
    {
        card.clear_log();
        apply_ok(nullptr, nullptr);
        drain_events();
        return power_commands(card);
    }
};

TEST_F(PowerTest, TogglesOnlyMarkAndApplySendsInPositionOrder)
{
    build_page();
    set_active(PowerButton5, false);
    set_active(PowerButton1, false);
    set_active(PowerButton6, false);
    set_active(PowerButton6, true);
    EXPECT_EQ(label_of(1), "Power Off   ");
    EXPECT_EQ(label_of(6), "Power On   ");
    EXPECT_TRUE(card.requests().empty());
    EXPECT_EQ(PowerManage[1][1], 1);

    EXPECT_EQ(apply(), (std::vector<std::string>{"20", "60"}));
    EXPECT_EQ(PowerManage[1][1], 0);
    EXPECT_EQ(PowerManage[5][1], 0);
    EXPECT_FALSE(card.drives[5].powered);
    EXPECT_TRUE(card.all_closed());

    set_active(PowerButton1, true);
    EXPECT_EQ(apply(), std::vector<std::string>{"21"});
    EXPECT_EQ(PowerManage[1][1], 1);
}

TEST_F(PowerTest, FailedCommandRollsItsRowBack)
{
    card.fail_power[4] = card.fail_power[0] = true;
    PowerManage[0][1] = 0;
    build_page();
    set_active(PowerButton0, true);
    set_active(PowerButton4, false);
    set_active(PowerButton7, false);
    EXPECT_EQ(apply(), (std::vector<std::string>{"11", "50", "80"}));
    EXPECT_FALSE(active(PowerButton0));
    EXPECT_EQ(label_of(0), "Power Off   ");
    EXPECT_TRUE(active(PowerButton4));
    EXPECT_EQ(label_of(4), "Power On   ");
    EXPECT_EQ(PowerManage[0][1], 0);
    EXPECT_EQ(PowerManage[4][1], 1);
    EXPECT_EQ(PowerManage[7][1], 0); // the failures did not stop the loop
    EXPECT_TRUE(apply().empty());
}

TEST_F(PowerTest, ClearedPoweredOnFlagWithTheButtonDownSwitchesOn)
{
    build_page();
    PowerManage[6][1] = 0; // a scan saw the box's fan stop
    EXPECT_EQ(apply(), std::vector<std::string>{"71"});
    EXPECT_EQ(PowerManage[6][1], 1);
}

TEST_F(PowerTest, PositionsWithoutAButtonOrNoLongerManageableGetNoCommand)
{
    build_page();
    ASSERT_EQ(PowerButton3, nullptr);
    PowerManage[3][0] = 1, PowerManage[3][1] = 0;
    set_active(PowerButton2, false);
    PowerManage[2][0] = 0;
    EXPECT_TRUE(apply().empty());
    EXPECT_EQ(label_of(3), "None");
    EXPECT_EQ(PowerManage[2][1], 1);

    rebuild_page();
    ASSERT_NE(PowerButton3, nullptr);
    EXPECT_FALSE(active(PowerButton3));
    EXPECT_TRUE(apply().empty());
}
