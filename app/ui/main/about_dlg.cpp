#include "ui/main/about_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <charconv>
#include <cstdio>

#include "project/project_types.h"
#include "shell/language_holder.h"
#include "ui/common/ui_language.h"
#include "ui/skin/hyper_link.h"
#include "ui/skin/page_skin.h"

#ifndef VEROSA_VERSION
#error "VEROSA_VERSION must name the version of the build"
#endif
#ifndef VEROSA_LEGAL_NOTICE
#define VEROSA_LEGAL_NOTICE "Copyright (C) the Verosa developers"
#endif
#ifndef VEROSA_WEB_SITE
#define VEROSA_WEB_SITE ""
#endif
#ifndef VEROSA_SUPPORT_MAIL
#define VEROSA_SUPPORT_MAIL ""
#endif

namespace verosa {

ProductInfo BuildProductInfo() {
  return ProductInfo{kProductName, VEROSA_VERSION, VEROSA_LEGAL_NOTICE, VEROSA_WEB_SITE,
                     VEROSA_SUPPORT_MAIL};
}

VersionParts ParseVersion(std::string_view version) {
  VersionParts result;
  std::size_t index = 0;
  while (index < 4 && !version.empty()) {
    const std::size_t dot = version.find('.');
    const std::string_view part = version.substr(0, dot);
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (error == std::errc() && end == part.data() + part.size())
      result.parts[index] = static_cast<unsigned>(value & 0xFFFFu);
    ++index;
    if (dot == std::string_view::npos) break;
    version.remove_prefix(dot + 1);
  }
  return result;
}

std::string VersionLine(std::string_view name, std::string_view version) {
  const VersionParts v = ParseVersion(version);
  char line[128];
  std::snprintf(line, sizeof line, " V%u.%u.%u.%u", v.parts[0], v.parts[1], v.parts[2],
                v.parts[3]);
  return std::string(name) + line;
}

AboutDlg::AboutDlg(const ProductInfo& info, const LanguageHolder* language, QWidget* parent)
    : QDialog(parent) {
  setObjectName("AboutDlg");
  setWindowTitle(QStringLiteral("About $APPNAME$"));

  picture_ = new QLabel(this);
  picture_->setObjectName("picture");
  const QImage image = LoadSkinImage(SkinsFolder() / "about.bmp");
  if (!image.isNull()) {
    picture_->setPixmap(QPixmap::fromImage(image));
    picture_->setFixedSize(image.size());
  }

  version_ = new QLabel(QString::fromStdString(VersionLine(info.name, info.version)), this);
  version_->setObjectName("version");
  QFont bold = version_->font();
  bold.setBold(true);
  version_->setFont(bold);
  legal_ = new QLabel(QString::fromStdString(info.legal_notice), this);
  legal_->setObjectName("legal");

  auto* text = new QVBoxLayout;
  text->addWidget(version_);
  text->addWidget(legal_);
  if (!info.web_site.empty()) {
    web_ = new CHyperLink(QString::fromStdString(info.web_site), this);
    web_->setObjectName("web_site");
    text->addWidget(web_);
  }
  if (!info.support_mail.empty()) {
    mail_ = new CHyperLink(QString::fromStdString(info.support_mail), this);
    mail_->setObjectName("support_mail");
    mail_->SetURL(QStringLiteral("mailto:") + QString::fromStdString(info.support_mail));
    text->addWidget(mail_);
  }
  text->addStretch(1);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("IDOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* top = new QHBoxLayout;
  top->addWidget(picture_, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 12);
  layout->addLayout(top);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  // The links keep their link colour until they are used.
  ok->setFocus();

  if (language && language->Loaded()) {
    TranslateWidgetTexts(*language, *this, kSectionAboutDialogBox);
  } else {
    setWindowTitle(QStringLiteral("About ") + QString::fromStdString(info.name));
  }
}

AboutDlg::~AboutDlg() = default;

}  // namespace verosa
