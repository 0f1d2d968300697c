// AboutWindow on the headless view: what the service publishes now, in the stored language,
// with only the fixed parts left when the service cannot be reached; the pictures; the links.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/service_client.h"
#include "tests/behaviour/dialog_fixture.h"

namespace lumora {
namespace {

using testing::kNames;

class AboutWindowTest : public testing::DialogFixture {
 protected:
  AboutWindowTest() {
    Page(kProgramVersionPage, "2.1.0405.7");
    Page(kUpdaterVersionPage, "1.4.0101.2");
    Page(kAboutTextPages[0], "感谢简");
    Page(kAboutTextPages[1], "感謝繁");
    Page(kAboutTextPages[2], "Thanks");
  }
  std::vector<std::string> Labels() const {
    std::vector<std::string> texts;
    for (const char* label : {"名称", "版本", "版本3", "透明标签1", "版本5", "版本7", "版本1"}) {
      texts.push_back(Text(kAbout, label));
    }
    return texts;
  }
};

TEST_F(AboutWindowTest, ShowsWhatTheServicePublishesInTheStoredLanguage) {
  const std::string site = WebsiteAddress();
  struct Case {
    std::string language;
    std::vector<std::string> labels;
    std::string name_page, about_page, options_tab, about_tab, cancel;
  };
  // clang-format off
  const Case cases[] = {
    {"1", {kNames[0], "主程序版本：2.1.0405.7", "升级程序版本：1.4.0101.2", "感谢简",
           "版权所有 © " + kNames[0] + " 保留所有权利", "软件官网 " + site, "联系客服"},
     "ads/namejt.html", "ads/gyrjjt.html",
     "OptionB.gif|OptionB.gif|OptionB.gif", "AboutA.gif|AboutA.gif|AboutA.gif", "CancelA.gif|CancelB.gif|CancelA.gif"},
    {"2", {kNames[1], "主程序版本：2.1.0405.7", "升級程序版本：1.4.0101.2", "感謝繁",
           "版權所有 © " + kNames[1] + " 保留所有權利", "軟件官網 " + site, "聯系客服"},
     "ads/nameft.html", "ads/gyrjft.html",
     "OptionF.gif|OptionF.gif|OptionF.gif", "AboutC.gif|AboutC.gif|AboutC.gif", "CancelC.gif|CancelD.gif|CancelC.gif"},
    // No colon after "Update Version", unlike the line above it.
    {"3", {kNames[2], "Player Version:2.1.0405.7", "Update Version1.4.0101.2", "Thanks",
           "Copyright © " + kNames[2] + ". All rights reserved.", "Software Website " + site, "Contact Us"},
     "ads/nameyy.html", "ads/gyrjyy.html",
     "OptionH.gif|OptionH.gif|OptionH.gif", "AboutE.gif|AboutE.gif|AboutE.gif", "CancelE.gif|CancelF.gif|CancelE.gif"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    run.SetConfig("Language", c.language);
    const std::size_t asked = Requests().size();
    program.LoadWindow(kAbout);
    EXPECT_EQ(Labels(), c.labels);
    const std::vector<std::string> requests = Requests();
    EXPECT_EQ(std::vector<std::string>(requests.begin() + static_cast<long>(asked), requests.end()),
              (std::vector<std::string>{c.name_page, "ads/bb.html", "ads/sjbb.html", c.about_page,
                                        c.name_page}));
    EXPECT_EQ(Text(kAbout, ""), "Vellmark影音系列关于窗口");
    EXPECT_EQ(Picture(kAbout, "LOGO", Prop::Picture), "AboutLOGO.gif");
    EXPECT_EQ(Picture(kAbout, "", Prop::BackgroundPicture), "BackgroundA.gif");
    EXPECT_EQ(Button(kAbout, "关闭按钮"), "CloseA.gif|CloseB.gif|CloseA.gif");
    EXPECT_EQ(Button(kAbout, "选项按钮"), c.options_tab);
    EXPECT_EQ(Button(kAbout, "关于按钮"), c.about_tab);
    EXPECT_EQ(Button(kAbout, "图形按钮2"), c.cancel);
    view.Click(kAbout, "图形按钮1");
    EXPECT_FALSE(program.IsLoaded(kAbout));
  }
}

TEST_F(AboutWindowTest, ServiceDownLeavesOnlyTheFixedParts) {
  setenv(kServiceBaseVariable, "http://127.0.0.1:1/", 1);  // nothing listens there
  run.SetConfig("Language", "3");
  program.LoadWindow(kAbout);
  EXPECT_EQ(Labels(),
            (std::vector<std::string>{"", "Player Version:", "Update Version", "",
                                      "Copyright © . All rights reserved.",
                                      "Software Website " + WebsiteAddress(), "Contact Us"}));
  EXPECT_TRUE(view.MessageBoxes().empty());
}

TEST_F(AboutWindowTest, UnknownLanguageKeepsTheDesignTextsAndAsksNothing) {
  run.SetConfig("Language", "0");
  program.LoadWindow(kAbout);
  EXPECT_EQ(Labels(),
            (std::vector<std::string>{"Vellmark影音系列", "主程序版本：1.1.1303.8",
                                      "软件升级程序版本：1.0.1301.20", "感谢您使用本软件。",
                                      "版权所有", "软件官网", "影片版权协调通道"}));
  EXPECT_TRUE(Requests().empty());
  EXPECT_EQ(Button(kAbout, "关闭按钮"), "CloseA.gif|CloseB.gif|CloseA.gif");
  EXPECT_EQ(Button(kAbout, "图形按钮1"), "||");
  EXPECT_EQ(Picture(kAbout, "LOGO", Prop::Picture), "");
}

TEST_F(AboutWindowTest, LinksOpenTheWebsiteAndTheServiceChat) {
  Page(kCustomerServiceAccountPage, "10001");
  program.Shared().ProductName = "Lumo";
  program.LoadWindow(kAbout);
  view.Click(kAbout, "版本7");
  view.Click(kAbout, "版本1");
  EXPECT_EQ(system.opened_urls,
            (std::vector<std::string>{WebsiteAddress(),
                                      ServiceBase() + "kefu/chat.html?uin=10001&Site=Lumo&Menu=yes"}));
  view.Click(kAbout, "关闭按钮");
  EXPECT_FALSE(program.IsLoaded(kAbout));
}

}  // namespace
}  // namespace lumora
