#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AllClass.h"
#include "app/MacType.h"
#include "app/MeMode.h"
#include "platform/runtime/Exceptions.h"

namespace {

// The model and band tables as the data module builds them at start-up.
class ModelTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModelList = std::make_unique<TMacList>();
        AppState = std::make_unique<TALL>();
        BandList = std::make_unique<TFrqList>();
        FillBandCodeTable(*BandList);
        BuildModelTable();
    }
    void TearDown() override {
        BandList.reset();
        AppState.reset();
        ModelList.reset();
    }
};

TEST_F(ModelTablesTest, BuildsBothModelsInOrderAndSetsTheTitle) {
    ASSERT_EQ(ModelList->Count(), 2);
    EXPECT_EQ(AppState->Title, "KOV-571");

    const TMacType* uhf = ModelList->ModelAt(0);
    ASSERT_NE(uhf, nullptr);
    EXPECT_EQ(uhf->Code, "2475");
    EXPECT_EQ(uhf->DisplayName, "KOV-571(UHF)");
    EXPECT_EQ(uhf->ChannelCount, 16);
    EXPECT_EQ(uhf->MaxFreq, 650.0);
    EXPECT_EQ(uhf->MinFreq, 300.0);
    EXPECT_EQ(uhf->GapBlocks, 39);
    EXPECT_EQ(uhf->Bands, (std::vector<String>{"350 - 370MHz", "350 - 390MHz", "370 - 390MHz", "400 - 420MHz",
                                               "400 - 470MHz", "440 - 480MHz", "450 - 470MHz", "450 - 490MHz",
                                               "470 - 650MHz"}));
    EXPECT_EQ(uhf->DefaultBand, "450 - 470MHz");

    const TMacType* vhf = ModelList->ModelAt(1);
    ASSERT_NE(vhf, nullptr);
    EXPECT_EQ(vhf->Code, "1475");
    EXPECT_EQ(vhf->DisplayName, "KOV-571(VHF)");
    EXPECT_EQ(vhf->ChannelCount, 16);
    EXPECT_EQ(vhf->MaxFreq, 300.0);
    EXPECT_EQ(vhf->MinFreq, 67.0);
    EXPECT_EQ(vhf->GapBlocks, 39);
    EXPECT_EQ(vhf->Bands,
              (std::vector<String>{"136 - 150MHz", "136 - 174MHz", "150 - 174MHz", "216 - 223MHz"}));
    EXPECT_EQ(vhf->DefaultBand, "150 - 174MHz");
}

TEST_F(ModelTablesTest, ModelLookupsAreExactAndBounded) {
    EXPECT_EQ(ModelList->ModelAt(2), nullptr);
    EXPECT_THROW(ModelList->ModelAt(-1), EStringListError);

    EXPECT_EQ(ModelList->FindModelByCode("2475"), ModelList->ModelAt(0));
    EXPECT_EQ(ModelList->FindModelByCode("1475"), ModelList->ModelAt(1));
    EXPECT_EQ(ModelList->FindModelByCode("2475 "), nullptr);
    EXPECT_EQ(ModelList->FindModelByCode(""), nullptr);
    EXPECT_EQ(ModelList->FindModelByName("KOV-571(VHF)"), ModelList->ModelAt(1));
    EXPECT_EQ(ModelList->FindModelByName("kov-571(vhf)"), nullptr);

    std::vector<String> names = {"left over"};
    ModelList->ListModelNames(names);
    EXPECT_EQ(names, (std::vector<String>{"KOV-571(UHF)", "KOV-571(VHF)"}));
}

TEST_F(ModelTablesTest, FirstMatchWinsForDuplicateCodes) {
    TMacType* second = ModelList->AddModel(std::make_unique<TMacType>("2475", 32, "Other"));
    EXPECT_EQ(ModelList->Count(), 3);
    EXPECT_EQ(ModelList->ModelAt(2), second);
    EXPECT_EQ(ModelList->FindModelByCode("2475"), ModelList->ModelAt(0));
    EXPECT_EQ(second->MaxFreq, 0.0);
    EXPECT_EQ(second->GapBlocks, 0);
    EXPECT_TRUE(second->Bands.empty());
    EXPECT_TRUE(second->DefaultBand.empty());
}

TEST_F(ModelTablesTest, BandCodeTable) {
    const std::vector<std::pair<String, Integer>> table = {
        {" 27 -  72MHz", 253}, {"136 - 150MHz", 241}, {"136 - 174MHz", 242}, {"150 - 174MHz", 240},
        {"216 - 223MHz", 243}, {"350 - 370MHz", 250}, {"350 - 390MHz", 251}, {"370 - 390MHz", 252},
        {"400 - 420MHz", 248}, {"400 - 470MHz", 247}, {"440 - 480MHz", 249}, {"450 - 470MHz", 244},
        {"450 - 490MHz", 245}, {"470 - 650MHz", 246},
    };
    EXPECT_EQ(BandList->Count(), static_cast<Integer>(table.size()));
    for (const auto& [text, code] : table) {
        SCOPED_TRACE(text);
        EXPECT_EQ(BandList->BandCodeOf(text), code);
        EXPECT_EQ(BandList->BandTextOf(code), text);
    }
}

TEST_F(ModelTablesTest, EveryBandOfEveryModelHasItsOwnCode) {
    for (Integer i = 0; i < ModelList->Count(); ++i)
        for (const String& band : ModelList->ModelAt(i)->Bands) {
            SCOPED_TRACE(band);
            EXPECT_EQ(BandList->BandTextOf(BandList->BandCodeOf(band)), band);
        }
}

TEST_F(ModelTablesTest, UnknownBandsFallBackToTheFirstRow) {
    EXPECT_EQ(BandList->BandCodeOf("123 - 456MHz"), 253);
    EXPECT_EQ(BandList->BandCodeOf("450-470MHz"), 253);
    EXPECT_EQ(BandList->BandCodeOf(""), 253);
    EXPECT_EQ(BandList->BandTextOf(7), " 27 -  72MHz");
    EXPECT_EQ(BandList->BandTextOf(244 + 256), " 27 -  72MHz");
}

// A model record's band code gives a band of the model, or the model's default band.
TEST_F(ModelTablesTest, ModelRecordBandIsOneTheModelOffers) {
    const TMacType& uhf = *ModelList->FindModelByCode("2475");
    const TMacType& vhf = *ModelList->FindModelByCode("1475");
    const struct {
        const TMacType* Model;
        Integer Code;
        const char* Band;
    } cases[] = {
        {&uhf, 244, "450 - 470MHz"}, {&uhf, 246, "470 - 650MHz"}, {&vhf, 241, "136 - 150MHz"},
        {&uhf, 0xFF, "450 - 470MHz"}, // blank memory
        {&uhf, 253, "450 - 470MHz"},  // " 27 -  72MHz" belongs to no model
        {&vhf, 253, "150 - 174MHz"},  {&uhf, 241, "450 - 470MHz"}, // another model's band
        {&vhf, 7, "150 - 174MHz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Model->Code + " " + std::to_string(c.Code));
        EXPECT_EQ(ModelBandOf(*c.Model, *BandList, c.Code), c.Band);
    }
}

TEST(BandListTest, EmptyListAnswersNothing) {
    TFrqList list;
    EXPECT_EQ(list.BandCodeOf("450 - 470MHz"), 0);
    EXPECT_EQ(list.BandTextOf(244), "");
}

} // namespace
