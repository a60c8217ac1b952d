// Every page and dialog in German: no visible text may be left in English.
// A text fails when the English catalogue has it with another German text
// (the translation was not applied), or when it is made of words but is
// neither a German text of the catalogue nor one of the names that stay as
// they are (the product, TV systems, file names, numbers).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTreeWidget>
#include <map>
#include <set>

#include "shell/app_context.h"
#include "ui/audio_cd_dlg.h"
#include "ui/change_output_file_dlg.h"
#include "ui/converter_progress_dlg.h"
#include "ui/mp3_settings_dlg.h"
#include "ui/recorder_dlg.h"
#include "support/test_support.h"
#include "ui/main/about_dlg.h"
#include "ui/main/system_option_dlg.h"
#include "ui/main/verosa_dlg.h"
#include "ui/pages/add_chapter_dlg.h"
#include "ui/skin/skin_button.h"

namespace verosa {
namespace {

using testing_support::IsolatedUser;
using testing_support::ScopedEnv;

// English -> German of data/lang/de.ini, escapes as the file has them.
std::map<QString, QString> Catalogue() {
  std::map<QString, QString> texts;
  const std::string file = testing_support::ReadFile(std::string(VEROSA_SOURCE_DIR) + "/data/lang/de.ini");
  for (const QString& line : QString::fromStdString(file).split('\n')) {
    if (line.isEmpty() || line[0] == ';' || line[0] == '#' || line[0] == '[') continue;
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0) continue;
    auto unescape = [](QString text) { return text.replace("\\n", "\n").replace("\\=", "="); };
    texts[unescape(line.left(eq))] = unescape(line.mid(eq + 1));
  }
  return texts;
}

// Texts that are names, not words of the interface.
bool StaysAsItIs(const QString& text) {
  static const QRegularExpression kName(
      QStringLiteral("^(Verosa|PAL|NTSC|PCM( \\(\\.WAV\\))?|OK|\\d+\\s*KHz|[\\d:.%, ]+|\\.\\.\\.|[A-Za-z]:?/.*|/.*|"
                     "Aurora|Ember|Slate|libburn|Verosa V[\\d.]+|V\\d.*|Copyright .*|https?://.*|.*@.*|"
                     "Deutsch|American English|\\d+m:\\d+s|\\d+ kbps)$"));
  return kName.match(text).hasMatch();
}

class Walker {
 public:
  explicit Walker(std::map<QString, QString> catalogue) : catalogue_(std::move(catalogue)) {
    for (const auto& [english, german] : catalogue_) {
      QString text = german;
      text.replace("$APPNAME$", "Verosa");
      german_.insert(text);
      // Texts with numbers or names filled in.
      if (text.contains(QRegularExpression("%(\\d*d|s|1)"))) {
        QString pattern = QRegularExpression::escape(text);
        pattern.replace(QRegularExpression("%\\d*d"), "-?\\d+").replace("%s", ".*").replace("%1", ".*");
        templates_.emplace_back("^" + pattern);
      }
    }
  }

  void Check(const QString& raw, const QString& where) {
    QString text = raw.trimmed();
    if (text.isEmpty()) return;
    const auto it = catalogue_.find(text);
    if (it != catalogue_.end() && !it->second.isEmpty() && it->second != text) {
      bad_.insert(where + ": \"" + text + "\" (untranslated)");
      return;
    }
    if (german_.count(text) || StaysAsItIs(text)) return;
    for (const QRegularExpression& pattern : templates_)
      if (pattern.match(text).hasMatch()) return;
    QString plain = text;
    plain.remove('&');
    if (german_.count(text) || !plain.contains(QRegularExpression("[A-Za-z]{3}"))) return;
    bad_.insert(where + ": \"" + text + "\" (not in the catalogue)");
  }

  void Widget(QWidget& root, const QString& where) {
    Check(root.windowTitle(), where + " title");
    for (QWidget* w : root.findChildren<QWidget*>()) {
      if (!w->isVisibleTo(&root) && !qobject_cast<QMenu*>(w)) continue;
      const QString name = where + "/" + w->objectName();
      if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // A picture button without a drawn caption shows only its tip.
        auto* skinned = dynamic_cast<SkinButton*>(button);
        if (!skinned || skinned->DrawsText()) Check(button->text(), name);
        Check(button->toolTip(), name + " tip");
      } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->textFormat() != Qt::RichText && !label->text().startsWith('<'))
          Check(label->text(), name);
      } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        Check(group->title(), name);
      } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < combo->count(); ++i) Check(combo->itemText(i), name);
      } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        for (int c = 0; c < tree->columnCount(); ++c) Check(tree->headerItem()->text(c), name);
      } else if (auto* menu = qobject_cast<QMenu*>(w)) {
        Menu(*menu, name);
      }
    }
  }

  void Menu(QMenu& menu, const QString& where) {
    Check(menu.title(), where);
    for (QAction* action : menu.actions()) {
      if (action->isSeparator()) continue;
      Check(action->text(), where);
      if (action->menu()) Menu(*action->menu(), where);
    }
  }

  const std::set<QString>& Bad() const { return bad_; }

 private:
  std::map<QString, QString> catalogue_;
  std::set<QString> german_;
  std::vector<QRegularExpression> templates_;
  std::set<QString> bad_;
};

TEST(GermanTexts, EveryPageAndDialogIsTranslated) {
  ScopedEnv language("VEROSA_LANGUAGE", "de");
  ScopedEnv audio("SDL_AUDIODRIVER", "dummy");
  IsolatedUser user;
  AppContext context;
  ASSERT_TRUE(context.Initialize(StartupOptions{.single_instance = false})) << context.FailureText();
  Walker walker(Catalogue());
  {
    VerosaDlg window(context, VerosaDlg::Options{.splash = false});
    window.show();
    for (int page = 0; page < VerosaDlg::kPageCount; ++page) {
      window.ShowPage(page);
      walker.Widget(window, QStringLiteral("page %1").arg(page));
    }
    for (QAction* top : window.MenuBar()->actions()) walker.Menu(*top->menu(), "menu");
    for (const char* menu : {"144", "144.2"})
      if (auto* popup = window.findChild<QMenu*>(menu)) walker.Menu(*popup, menu);

    AboutDlg about(BuildProductInfo(), &context.Settings().Language(), &window);
    about.show();
    walker.Widget(about, "About");
    SystemOptionDlg options(context, &window);
    options.show();
    walker.Widget(options, "Options");
    AddChapterDlg chapter(context, AddChapterDlg::Mode::Add, {}, &window);
    chapter.show();
    walker.Widget(chapter, "Chapter");

    // The conversion library's dialogs.
    carrowell::AudioCdDlg cd(nullptr, "/tmp", &window);
    carrowell::ConverterProgressDlg progress(nullptr, {});
    carrowell::Mp3SettingsDlg mp3(carrowell::Mp3Settings{}, &window);
    carrowell::ChangeOutputFileDlg output_file("/tmp/song.wav", &window);
    // The recorder captures from a file of silence.
    const testing_support::ScratchDir scratch;
    testing_support::WriteFile(scratch / "silence.raw", std::string(1 << 16, '\0'));
    ScopedEnv disk("SDL_AUDIODRIVER", "disk");
    ScopedEnv input("SDL_DISKAUDIOFILEIN", (scratch / "silence.raw").string());
    ScopedEnv output("SDL_DISKAUDIOFILE", "/dev/null");
    carrowell::RecorderDlg recorder((scratch / "MyR1.tmp").string(), &window);
    for (QDialog* dialog :
         std::initializer_list<QDialog*>{&cd, &progress, &mp3, &output_file, &recorder}) {
      dialog->show();
      walker.Widget(*dialog, dialog->windowTitle());
    }
  }
  for (const QString& text : walker.Bad()) ADD_FAILURE() << text.toStdString();
}

// A translation is used as a printf format or filled in order: it must keep
// the conversions of its English text, in the same order.
TEST(GermanTexts, TranslationsKeepTheirConversions) {
  const QRegularExpression conversion(QStringLiteral("%[-+ #0]*\\d*(?:\\.\\d+)?(?:ll|l|j|z|h)?([a-zA-Z%])|%(\\d)"));
  auto conversions = [&](const QString& text) {
    QStringList found;
    for (auto it = conversion.globalMatch(text); it.hasNext();) {
      const auto match = it.next();
      found << (match.captured(1).isEmpty() ? match.captured(2) : match.captured(1));
    }
    return found;
  };
  int checked = 0;
  for (const auto& [english, german] : Catalogue()) {
    if (german.isEmpty()) continue;
    EXPECT_EQ(conversions(german), conversions(english)) << english.toStdString();
    ++checked;
  }
  EXPECT_GT(checked, 300);
}

}  // namespace
}  // namespace verosa
