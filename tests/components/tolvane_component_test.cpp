// The component's own operations, called through the raw interface of the
// real libTolvane.so.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "components/tolvane_test_support.h"
#include "platform/module.h"
#include "tolvane/tolvane.h"

namespace {

using namespace tolvane;

class RawLanguage {
 public:
  RawLanguage() {
    if (!module_.Load("Tolvane.dll")) return;
    auto create = reinterpret_cast<CreateFunction>(module_.Symbol(kCreateFunctionName));
    void* object = nullptr;
    if (create && create(&kIidLanguage, &object) == S_OK)
      language_ = static_cast<LanguageInterface*>(object);
  }
  ~RawLanguage() {
    if (language_) language_->Release();
  }
  LanguageInterface* operator->() const { return language_; }
  LanguageInterface* Get() const { return language_; }

 private:
  platform::Module module_;
  LanguageInterface* language_ = nullptr;
};

// Escapes, comments, CR LF, blanks kept, empty translations, section case.
const char* const kFrench =
    "; comment=not an entry\n"
    "# comment=neither\n"
    "Outside=before any section\n"
    "[MessageBoxes]\r\n"
    "Short=Ab\xC3\xA9\xE2\x82\xAC longue traduction\r\n"
    "S=Ab\xC3\xA9\xE2\x82\xAC longue traduction\n"
    "a\\=b=\xC3\xA9gal\\=\n"
    "Line\\none=Ligne\\nune\\tTab\n"
    " Leading= Avec espace \n"
    "Back\\\\slash=Barre\\\\oblique\n"
    "\\;Semi=Point-virgule\n"
    "Empty=\n"
    "Case=Casse\n"
    "NoSeparator\n"
    "[miscstrings]\n"
    "$APPNAME$ Project File(*.mdp)=Fichier de projet $APPNAME$ (*.mdp)\n";

class TolvaneComponent : public ::testing::Test {
 protected:
  void SetUp() override {
    data_.AddLanguage("en", "[MessageBoxes]\n");
    data_.AddLanguage("fr", kFrench);
    ASSERT_NE(language_.Get(), nullptr);
  }
  void StartFrench() {
    testing_support::ScopedEnv forced("VEROSA_LANGUAGE", "fr");
    ASSERT_EQ(language_->Start(), S_OK);
  }
  std::string Text(const std::string& english, const char* section = "MessageBoxes",
                   std::size_t capacity = 1024) {
    std::vector<char> buffer(capacity, '\0');
    std::strncpy(buffer.data(), english.c_str(), capacity - 1);
    EXPECT_EQ(language_->TranslateText(buffer.data(), capacity, section), S_OK);
    return buffer.data();
  }

  tolvane_test::LanguageEnvironment env_;
  tolvane_test::DataFolder data_;
  RawLanguage language_;
};

TEST_F(TolvaneComponent, ReadsEntriesWithEscapesExactly) {
  StartFrench();
  EXPECT_EQ(Text("a=b"), "\xC3\xA9gal=");
  EXPECT_EQ(Text("Line\none"), "Ligne\nune\tTab");
  EXPECT_EQ(Text(" Leading"), " Avec espace ");
  EXPECT_EQ(Text("Leading"), "Leading");
  EXPECT_EQ(Text("Back\\slash"), "Barre\\oblique");
  EXPECT_EQ(Text(";Semi"), "Point-virgule");
  EXPECT_EQ(Text("Short"), "Ab\xC3\xA9\xE2\x82\xAC longue traduction");
  // Keys match exactly; section names do not care about case.
  EXPECT_EQ(Text("Case"), "Casse");
  EXPECT_EQ(Text("case"), "case");
  EXPECT_EQ(Text("$APPNAME$ Project File(*.mdp)", "MiscStrings"),
            "Fichier de projet $APPNAME$ (*.mdp)");
  // Empty translations, comments, lines outside sections and lines without
  // '=' translate nothing.
  EXPECT_EQ(Text("Empty"), "Empty");
  EXPECT_EQ(Text("; comment"), "; comment");
  EXPECT_EQ(Text("Outside"), "Outside");
  EXPECT_EQ(Text("NoSeparator"), "NoSeparator");
  // A text is looked up in its own section only.
  EXPECT_EQ(Text("Case", "MiscStrings"), "Case");
}

TEST_F(TolvaneComponent, NeverWritesPastTheBufferAndCutsWholeCharacters) {
  StartFrench();
  constexpr char kGuard = 'Z';
  // "S" translates to "Abé€ longue traduction": "é" takes bytes 2-3, "€"
  // bytes 4-6.
  const std::pair<std::size_t, std::string> cuts[] = {{8, "Ab\xC3\xA9\xE2\x82\xAC"},
                                                      {7, "Ab\xC3\xA9"},
                                                      {5, "Ab\xC3\xA9"},
                                                      {4, "Ab"},
                                                      {2, "A"}};
  for (const auto& [capacity, expected] : cuts) {
    std::vector<char> buffer(capacity + 16, kGuard);
    std::memcpy(buffer.data(), "S", 2);
    ASSERT_EQ(language_->TranslateText(buffer.data(), capacity, "MessageBoxes"), S_OK);
    EXPECT_EQ(std::string(buffer.data()), expected) << "capacity " << capacity;
    for (std::size_t i = capacity; i < buffer.size(); ++i)
      ASSERT_EQ(buffer[i], kGuard) << "capacity " << capacity << " byte " << i;

    std::vector<char> out(capacity + 16, kGuard);
    ASSERT_EQ(language_->TranslateInto(out.data(), capacity, "S", "MessageBoxes"), S_OK);
    EXPECT_EQ(std::string(out.data()), expected) << "capacity " << capacity;
    for (std::size_t i = capacity; i < out.size(); ++i)
      ASSERT_EQ(out[i], kGuard) << "capacity " << capacity << " byte " << i;
  }
  std::vector<char> single(1 + 16, kGuard);
  ASSERT_EQ(language_->TranslateInto(single.data(), 1, "S", "MessageBoxes"), S_OK);
  EXPECT_EQ(single[0], '\0');
  EXPECT_EQ(single[1], kGuard);
}

TEST_F(TolvaneComponent, RefusesBadBuffersAndLeavesThemAlone) {
  StartFrench();
  char unterminated[5] = {'S', 'h', 'o', 'r', 't'};
  EXPECT_EQ(language_->TranslateText(unterminated, sizeof unterminated, "MessageBoxes"),
            E_INVALIDARG);
  EXPECT_EQ(std::string(unterminated, 5), "Short");
  char text[16] = "Short";
  EXPECT_EQ(language_->TranslateText(text, 0, "MessageBoxes"), E_INVALIDARG);
  EXPECT_EQ(language_->TranslateText(text, sizeof text, nullptr), E_INVALIDARG);
  EXPECT_STREQ(text, "Short");
  EXPECT_EQ(language_->TranslateInto(text, sizeof text, nullptr, "MessageBoxes"), E_INVALIDARG);
  EXPECT_STREQ(text, "Short");
}

TEST_F(TolvaneComponent, ReplacesPlaceholdersInEveryText) {
  StartFrench();
  ASSERT_EQ(language_->AddPlaceholder("$APPNAME$", "Verosa"), S_OK);
  EXPECT_EQ(Text("$APPNAME$ Project File(*.mdp)", "MiscStrings"),
            "Fichier de projet Verosa (*.mdp)");
  EXPECT_EQ(Text("About $APPNAME$ and $APPNAME$", "NoSuchSection"),
            "About Verosa and Verosa");
  // A replacement that contains its placeholder is not expanded again.
  ASSERT_EQ(language_->AddPlaceholder("$X$", "<$X$>"), S_OK);
  EXPECT_EQ(Text("$X$$X$"), "<$X$><$X$>");
  // Declaring a placeholder again changes its replacement.
  ASSERT_EQ(language_->AddPlaceholder("$APPNAME$", "Other"), S_OK);
  EXPECT_EQ(Text("$APPNAME$"), "Other");
  EXPECT_EQ(language_->AddPlaceholder("", "x"), E_INVALIDARG);
}

TEST_F(TolvaneComponent, ListsInstalledLanguagesWithinTheCapacity) {
  data_.AddLanguage("de", "[MessageBoxes]\n");
  data_.AddLanguage("xx", "[MessageBoxes]\n");  // no identifier: not offered
  Lcid lcids[8] = {};
  std::uint32_t count = 8;
  ASSERT_EQ(language_->ListLanguages(lcids, &count), S_OK);
  EXPECT_EQ(std::vector<Lcid>(lcids, lcids + count),
            (std::vector<Lcid>{0x0407, 0x0409, 0x040C}));

  Lcid one[2] = {0, 0xDEAD};
  count = 1;
  ASSERT_EQ(language_->ListLanguages(one, &count), S_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(one[1], 0xDEADu);
}

}  // namespace
