// Translation of widgets through the interface-language component: a
// dialog's caption and control texts, a menu's item texts, the tool tips of
// its skinned buttons. The component reaches the texts through a window
// registered for the duration of the call.
#pragma once

#include <QString>
#include <QTranslator>
#include <string_view>

class QMenu;
class QMenuBar;
class QWidget;

namespace verosa {

class LanguageHolder;

// One text of `section` (placeholders such as "$APPNAME$" filled in).
QString TranslateText(const LanguageHolder& language, const QString& english,
                      std::string_view section);

// The window title and the texts of every label, button and group box of
// `dialog` and its children, translated in `section`.
void TranslateWidgetTexts(const LanguageHolder& language, QWidget& dialog,
                          std::string_view section);
// Every item text of a menu bar (with its sub-menus) or of one menu.
void TranslateMenuTexts(const LanguageHolder& language, QMenuBar& menu_bar,
                        std::string_view section);
void TranslateMenuTexts(const LanguageHolder& language, QMenu& menu, std::string_view section);

// Tool tips of the skinned buttons of `page`: their captions translated in
// "ToolTips".
void SetTranslatedToolTips(const LanguageHolder& language, QWidget& page);

// Answers the conversion library's texts from the language component while
// installed in the application.
class CarrowellTranslator : public QTranslator {
 public:
  explicit CarrowellTranslator(const LanguageHolder& language);
  ~CarrowellTranslator() override;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override;

 private:
  const LanguageHolder& language_;
};

}  // namespace verosa
