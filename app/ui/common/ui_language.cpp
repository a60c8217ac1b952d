#include "ui/common/ui_language.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "carrowell/ui_texts.h"
#include "shell/language_holder.h"
#include "ui/common/qt_window_sink.h"
#include "ui/skin/page_skin.h"

namespace verosa {
namespace {

using Visit = std::function<void(std::string& text)>;

// Offers one text for replacement; the setter runs only when it changed.
template <typename Setter>
void Offer(const Visit& visit, const QString& current, Setter set) {
  if (current.isEmpty()) return;
  std::string text = current.toStdString();
  const std::string before = text;
  visit(text);
  if (text != before) set(QString::fromStdString(text));
}

void VisitWidgetTexts(QWidget& dialog, const Visit& visit) {
  Offer(visit, dialog.windowTitle(), [&](const QString& t) { dialog.setWindowTitle(t); });
  for (QLabel* label : dialog.findChildren<QLabel*>())
    Offer(visit, label->text(), [label](const QString& t) { label->setText(t); });
  for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
    Offer(visit, button->text(), [button](const QString& t) { button->setText(t); });
  for (QGroupBox* group : dialog.findChildren<QGroupBox*>())
    Offer(visit, group->title(), [group](const QString& t) { group->setTitle(t); });
}

void VisitActions(const QList<QAction*>& actions, const Visit& visit) {
  for (QAction* action : actions) {
    if (action->isSeparator()) continue;
    Offer(visit, action->text(), [action](const QString& t) { action->setText(t); });
    if (QMenu* sub = action->menu()) VisitActions(sub->actions(), visit);
  }
}

// Registers a window for the texts `visitor` offers and lets the component
// translate them.
void TranslateThroughWindow(const LanguageHolder& language, QtWindowSink::TextVisitor visitor,
                            std::string_view section, bool menu) {
  if (!language.Loaded()) return;
  QtWindowSink sink({}, std::move(visitor));
  const platform::WindowHandle window = sink.Register();
  if (menu)
    language.TranslateMenu(window, section);
  else
    language.TranslateDialog(window, section);
  sink.Unregister();
}

}  // namespace

QString TranslateText(const LanguageHolder& language, const QString& english,
                      std::string_view section) {
  return QString::fromStdString(language.Translate(english.toStdString(), section));
}

void TranslateWidgetTexts(const LanguageHolder& language, QWidget& dialog,
                          std::string_view section) {
  TranslateThroughWindow(
      language, [&dialog](const Visit& visit) { VisitWidgetTexts(dialog, visit); }, section,
      false);
}

void TranslateMenuTexts(const LanguageHolder& language, QMenuBar& menu_bar,
                        std::string_view section) {
  TranslateThroughWindow(
      language, [&menu_bar](const Visit& visit) { VisitActions(menu_bar.actions(), visit); },
      section, true);
}

void TranslateMenuTexts(const LanguageHolder& language, QMenu& menu, std::string_view section) {
  TranslateThroughWindow(
      language, [&menu](const Visit& visit) { VisitActions(menu.actions(), visit); }, section,
      true);
}

void SetTranslatedToolTips(const LanguageHolder& language, QWidget& page) {
  SetButtonToolTips(page, [&language](const QString& caption) {
    return TranslateText(language, caption, kSectionToolTips);
  });
}

CarrowellTranslator::CarrowellTranslator(const LanguageHolder& language) : language_(language) {
  QCoreApplication::installTranslator(this);
}

CarrowellTranslator::~CarrowellTranslator() { QCoreApplication::removeTranslator(this); }

QString CarrowellTranslator::translate(const char* context, const char* source, const char*,
                                       int) const {
  if (!context || !source || std::string_view(context) != carrowell::kUiTextContext) return {};
  const QString english = QString::fromUtf8(source);
  const QString text = TranslateText(language_, english, kSectionCarrowell);
  return text == english ? QString() : text;
}

}  // namespace verosa
