// CHyperLink: a text label that opens its URL (a web address, a "mailto:"
// link or a file) with the desktop's handler. Its colour tells whether the
// mouse is over it, whether it was clicked or has the focus, and whether
// the link was opened before. A link that cannot be opened beeps and names
// the reason in a message box.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <cstdint>
#include <functional>

namespace verosa {

class CHyperLink : public QLabel {
 public:
  // Behaviour flags.
  static constexpr unsigned kUnderline = 0x01;
  static constexpr unsigned kUseHover = 0x02;
  static constexpr unsigned kAutoSize = 0x04;
  static constexpr unsigned kDownClick = 0x08;
  static constexpr unsigned kGetFocusOnClick = 0x10;
  static constexpr unsigned kNoHandCursor = 0x20;
  static constexpr unsigned kNoActiveColor = 0x40;
  static constexpr unsigned kDefaultFlags = kUnderline | kAutoSize | kGetFocusOnClick;
  static_assert(kDefaultFlags == 21);

  // Text colours as 0x00BBGGRR values.
  static constexpr std::uint32_t kHoverColor = 0x0000FF;    // red
  static constexpr std::uint32_t kActiveColor = 0x808000;   // teal
  static constexpr std::uint32_t kVisitedColor = 0x800080;  // purple
  static constexpr std::uint32_t kLinkColor = 0xFF0000;     // blue

  // Result of opening a link: 32 or less is a failure reason (see
  // OpenFailureReason), anything greater is success.
  static constexpr int kOpenFailureLimit = 32;
  static constexpr int kOpenSucceeded = 42;
  // Failure reasons.
  static constexpr int kOpenOutOfResources = 0;
  static constexpr int kOpenFileNotFound = 2;
  static constexpr int kOpenPathNotFound = 3;
  static constexpr int kOpenAccessDenied = 5;
  static constexpr int kOpenOutOfMemory = 8;
  static constexpr int kOpenBadFormat = 11;
  static constexpr int kOpenSharingViolation = 26;
  static constexpr int kOpenAssociationIncomplete = 27;
  static constexpr int kOpenDdeTimeout = 28;
  static constexpr int kOpenDdeFailed = 29;
  static constexpr int kOpenDdeBusy = 30;
  static constexpr int kOpenNoAssociation = 31;
  static constexpr int kOpenLibraryNotFound = 32;

  // Opens a URL and gives the result code described above.
  using LinkOpener = std::function<int(const QString& url)>;

  explicit CHyperLink(const QString& text = {}, QWidget* parent = nullptr);
  ~CHyperLink() override;

  // The link target; the text of the control while none is set.
  void SetURL(const QString& url);
  QString URL() const;
  // Replaces the text (and with it a URL that follows the text).
  void SetWindowText(const QString& text);

  void SetFlags(unsigned flags);
  void ModifyFlags(unsigned remove, unsigned add) { SetFlags((flags_ & ~remove) | add); }
  unsigned Flags() const { return flags_; }

  void SetVisited(bool visited);
  bool Visited() const { return visited_; }
  bool IsOver() const { return over_; }
  // Clicked or focused.
  bool IsActive() const { return active_; }

  // The colour the text is drawn in now.
  QColor CurrentColor() const;
  const QFont& LinkFont() const { return link_font_; }

  // Opens the URL through the opener. On failure beeps and shows
  // "Can't open link:\n\n" and the reason; on success marks the link visited.
  bool OpenLink();
  // Replaces the opener (the desktop's handler by default).
  void SetLinkOpener(LinkOpener opener);

  // The text naming a failure reason.
  static QString OpenFailureReason(int code);
  // Opens with the desktop's handler: a missing local file gives
  // kOpenFileNotFound (kOpenPathNotFound when its folder is missing too), an
  // unreadable one kOpenAccessDenied, a URL no program takes kOpenNoAssociation.
  static int OpenWithDesktop(const QString& url);

  // Fits the control to its text, keeping its alignment (centred, right or
  // left; vertically centred or top).
  void SizeToText();

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ApplyFlags();
  void Refresh();

  QString url_;
  QFont link_font_;
  unsigned flags_ = kDefaultFlags;
  bool over_ = false;
  bool active_ = false;
  bool visited_ = false;
  LinkOpener opener_;
};

}  // namespace verosa
