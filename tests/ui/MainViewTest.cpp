#include "ViewFixture.h"
#include "export/ExportOptions.h"

namespace vh {
namespace {

class MainViewState : public test::ViewFixture {};

TEST_F(MainViewState, StartsOnTheFirstListedStationWithTheSavedExportOption) {
    catalogue.add(4, {Chatter, "Talk", "", 4});
    catalogue.load();
    catalogue.data().table()[1].listed = 0;
    test::writeFile(catalogue.workDir() / kOptionsFileName, {1});
    auto made = std::make_unique<MainView>(catalogue.data());
    EXPECT_EQ(made->currentStation(), 4);
    EXPECT_EQ(made->trackLayout(), kLayoutPerSong);
    EXPECT_EQ(MainView::instance(), made.get());
    made.reset();
    EXPECT_EQ(MainView::instance(), nullptr);  // reports arriving after the view is gone find none
}

TEST_F(MainViewState, RebuildingTheRowsKeepsTheScrollWithinThem) {
    for (int i = 0; i < 40; ++i) catalogue.add(1, {Commercial, "Ad", "", 2});
    makeView(false);
    draw();  // 33 rows fit
    for (auto [asked, kept] : {std::pair{30, 7}, {-3, 0}, {5, 5}}) {
        view->setClipScroll(asked);
        view->rebuildClipRows();
        EXPECT_EQ(view->clipScroll(), kept) << asked;
    }
}

}  // namespace
}  // namespace vh
