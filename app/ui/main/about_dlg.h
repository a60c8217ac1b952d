// The About box: the product picture, the version of this build, the legal
// notice and links to the web site and to support mail.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <string_view>

class QLabel;

namespace verosa {

class CHyperLink;
class LanguageHolder;

// What the About box tells about the product, from the build.
struct ProductInfo {
  std::string name;
  std::string version;  // "major.minor.patch[.tweak]"
  std::string legal_notice;
  std::string web_site;
  std::string support_mail;  // address without "mailto:"
};
ProductInfo BuildProductInfo();

// The four 16-bit parts of a dotted version, most significant first;
// missing or unreadable parts are 0.
struct VersionParts {
  unsigned parts[4] = {0, 0, 0, 0};
};
VersionParts ParseVersion(std::string_view version);
// "%s V%d.%d.%d.%d": the product name and the four parts.
std::string VersionLine(std::string_view name, std::string_view version);

class AboutDlg : public QDialog {
 public:
  // `language` may be null (English texts).
  explicit AboutDlg(const ProductInfo& info, const LanguageHolder* language,
                    QWidget* parent = nullptr);
  ~AboutDlg() override;

  QLabel* VersionLabel() const { return version_; }
  QLabel* LegalLabel() const { return legal_; }
  CHyperLink* WebLink() const { return web_; }
  CHyperLink* MailLink() const { return mail_; }

 private:
  QLabel* picture_ = nullptr;
  QLabel* version_ = nullptr;
  QLabel* legal_ = nullptr;
  CHyperLink* web_ = nullptr;
  CHyperLink* mail_ = nullptr;
};

}  // namespace verosa
