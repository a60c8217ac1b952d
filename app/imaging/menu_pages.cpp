#include "imaging/menu_pages.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "imaging/picture_composition.h"

namespace verosa {
namespace {

constexpr int kColumns = 2;
constexpr int kRows = kMenuEntriesPerPage / kColumns;
constexpr int kHeadingHeight = 56;
constexpr int kRowHeight = 40;  // the bottom row's buttons
constexpr int kGap = 10;

// The title-safe area: a tenth of the frame kept clear on every side.
QRect SafeArea(FrameMode mode) {
  const FrameSize frame = FrameSizeOf(mode);
  const int mx = frame.width / 10, my = frame.height / 10;
  return QRect(mx, my, frame.width - 2 * mx, frame.height - 2 * my);
}

QString RowText(MenuButtonRole role, const MenuRowTexts& texts) {
  switch (role) {
    case MenuButtonRole::Previous: return texts.previous;
    case MenuButtonRole::Next: return texts.next;
    case MenuButtonRole::Back: return texts.back;
    case MenuButtonRole::PlayAll: return texts.play_all;
    case MenuButtonRole::Entry: break;
  }
  return {};
}

QFont MenuFont(int pixels, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

std::vector<MenuPageLayout> LayOutMenuPages(const std::vector<MenuEntryText>& entries,
                                            const std::vector<MenuButtonRole>& extra, FrameMode mode,
                                            const MenuRowTexts& texts) {
  const QRect safe = SafeArea(mode);
  const int count = std::max<int>(1, static_cast<int>((entries.size() + kMenuEntriesPerPage - 1) / kMenuEntriesPerPage));
  const int grid_top = safe.top() + kHeadingHeight;
  const int grid_bottom = safe.bottom() - kRowHeight - kGap;
  const int pitch = (grid_bottom - grid_top) / kRows;
  const int column_width = (safe.width() - kGap) / kColumns;

  std::vector<MenuPageLayout> pages;
  for (int p = 0; p < count; ++p) {
    MenuPageLayout page;
    page.page = p;
    page.pages = count;
    const int first = p * kMenuEntriesPerPage;
    const int last = std::min<int>(first + kMenuEntriesPerPage, static_cast<int>(entries.size()));
    // A page of up to six entries is one column in the middle.
    const bool one_column = last - first <= kRows;
    const int left = one_column ? safe.left() + (safe.width() - column_width) / 2 : safe.left();
    for (int i = first; i < last; ++i) {
      const int slot = i - first, column = slot / kRows, row = slot % kRows;
      MenuButtonBox box;
      box.entry = i;
      box.rect = QRect(left + column * (column_width + kGap), grid_top + row * pitch, column_width, pitch - 6);
      box.label = entries[static_cast<std::size_t>(i)].label;
      box.detail = entries[static_cast<std::size_t>(i)].detail;
      page.buttons.push_back(box);
    }
    std::vector<MenuButtonRole> row;
    if (p > 0) row.push_back(MenuButtonRole::Previous);
    if (p + 1 < count) row.push_back(MenuButtonRole::Next);
    row.insert(row.end(), extra.begin(), extra.end());
    if (!row.empty()) {
      const int n = static_cast<int>(row.size());
      const int width = std::min(160, (safe.width() - (n - 1) * kGap) / n);
      const int left = safe.left() + (safe.width() - (n * width + (n - 1) * kGap)) / 2;
      for (int k = 0; k < n; ++k) {
        MenuButtonBox box;
        box.role = row[static_cast<std::size_t>(k)];
        box.rect = QRect(left + k * (width + kGap), safe.bottom() - kRowHeight + 1, width, kRowHeight);
        box.label = RowText(box.role, texts);
        page.buttons.push_back(box);
      }
    }
    pages.push_back(page);
  }
  return pages;
}

QColor MenuAccentColour(const std::filesystem::path& background) {
  const QColor fallback(0xF0, 0xC0, 0x40);
  StillPicture picture;
  if (!LoadPicture(picture, background)) return fallback;
  const QImage image = picture.ToImage();
  if (image.isNull()) return fallback;
  // Hues as vectors, each weighted by how colourful the pixel is.
  double x = 0, y = 0, weight = 0;
  const int step = std::max(1, std::min(image.width(), image.height()) / 64);
  for (int row = 0; row < image.height(); row += step)
    for (int col = 0; col < image.width(); col += step) {
      const QColor c = QColor::fromRgb(image.pixel(col, row));
      const double w = c.hsvSaturationF() * c.valueF();
      if (c.hsvHueF() < 0 || w <= 0) continue;
      const double angle = c.hsvHueF() * 2 * M_PI;
      x += w * std::cos(angle);
      y += w * std::sin(angle);
      weight += w;
    }
  const double pixels = (image.height() / step + 1.0) * (image.width() / step + 1.0);
  if (weight / pixels < 0.05 || std::hypot(x, y) < 0.2 * weight) return fallback;
  double hue = std::atan2(y, x) / (2 * M_PI);
  if (hue < 0) hue += 1;
  return QColor::fromHsvF(static_cast<float>(hue), 0.7f, 1.0f);
}

bool RenderMenuPage(const std::filesystem::path& background, const QString& heading, const MenuPageLayout& page,
                    const QColor& accent, FrameMode mode, const std::filesystem::path& out) {
  StillPicture picture;
  if (!LoadPicture(picture, background) || !picture.ConvertToBgr24() || !picture.FitToFrame(mode)) return false;
  const QRect safe = SafeArea(mode);
  const bool painted = picture.Paint([&](QImage& image) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // The heading, with a shadow so it reads on any picture.
    const QFont heading_font = MenuFont(30, true);
    const QRect heading_rect(safe.left(), safe.top(), safe.width(), kHeadingHeight - 10);
    const QString title = QFontMetrics(heading_font).elidedText(heading, Qt::ElideRight, safe.width() - 120);
    painter.setFont(heading_font);
    painter.setPen(QColor(0, 0, 0, 180));
    painter.drawText(heading_rect.translated(2, 2), Qt::AlignHCenter | Qt::AlignVCenter, title);
    painter.setPen(Qt::white);
    painter.drawText(heading_rect, Qt::AlignHCenter | Qt::AlignVCenter, title);
    if (page.pages > 1) {
      painter.setFont(MenuFont(16, false));
      painter.drawText(heading_rect, Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1/%2").arg(page.page + 1).arg(page.pages));
    }

    for (const MenuButtonBox& box : page.buttons) {
      const bool entry = box.role == MenuButtonRole::Entry;
      QPainterPath path;
      path.addRoundedRect(QRectF(box.rect).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
      painter.fillPath(path, QColor(0, 0, 0, entry ? 150 : 170));
      painter.setPen(QPen(entry ? QColor(255, 255, 255, 90) : accent, 1.5));
      painter.drawPath(path);

      const QRect text = box.rect.adjusted(12, 0, -12, 0);
      const QFont label_font = MenuFont(box.rect.height() >= 40 ? 19 : 17, !entry);
      const QFont detail_font = MenuFont(15, false);
      int detail_width = 0;
      if (!box.detail.isEmpty()) {
        detail_width = QFontMetrics(detail_font).horizontalAdvance(box.detail) + 10;
        painter.setFont(detail_font);
        painter.setPen(QColor(220, 220, 220));
        painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter, box.detail);
      }
      painter.setFont(label_font);
      painter.setPen(Qt::white);
      const QRect label_rect = text.adjusted(0, 0, -detail_width, 0);
      const QString label = QFontMetrics(label_font).elidedText(box.label, Qt::ElideRight, label_rect.width());
      painter.drawText(label_rect, (entry ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, label);
    }
  });
  return painted && picture.SaveBmpFile(out);
}

}  // namespace verosa
