#include "ui/pages/creator_edit_dlg.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <map>

#include "carrowell/conversion_source_list.h"
#include "core/media_info.h"
#include "imaging/picture_composition.h"
#include "platform/message_box.h"
#include "project/chapter_tree.h"
#include "shell/app_context.h"
#include "shell/language_holder.h"
#include "shell/settings_store.h"
#include "shell/theme_pictures.h"
#include "ui/common/qt_window_sink.h"
#include "ui/common/ui_language.h"
#include "ui/pages/add_chapter_dlg.h"
#include "ui/skin/page_skin.h"
#include "ui/skin/skin_bar.h"

namespace fs = std::filesystem;

namespace verosa {

namespace {

constexpr int kMargin = 16;
constexpr int kPageWidth = 720;
constexpr int kToolbarTop = 40;
constexpr int kListTop = 80;
constexpr int kListWidth = 400;
constexpr int kListHeight = 284;
constexpr int kPreviewLeft = kMargin + kListWidth + 16;
constexpr int kPreviewWidth = kPageWidth - kMargin - kPreviewLeft;
constexpr int kPreviewHeight = kPreviewWidth * 3 / 4;
constexpr int kButtonSize = 32;
constexpr int kThemeMenuEntries = 10;
constexpr int kThemeCommandFirst = 32797;
constexpr int kBrowserCommand = 32807;
// Work-folder space a CD track needs before it is ripped.
constexpr int kCdTrackReserveMB = 50;
// The base name of a command button's skin pictures.
constexpr const char* kSkinProperty = "skin";

enum Column { kNameColumn = 0, kTimeColumn, kLyricColumn, kPictureColumn, kAudioColumn };

struct CommandInfo {
  int id;
  const char* text;       // the button's caption and the menu entry
  const char* menu_text;  // with its mnemonic
  const char* skin;
  QKeySequence key;
};

// The edit commands run along the top, the player's below the picture.
const CommandInfo kEditCommands[] = {
    {CreatorEditDlg::kImportFile, "Import File", "&Import File", "import_file", QKeySequence(Qt::CTRL | Qt::Key_I)},
    {CreatorEditDlg::kImportCd, "Import CD", "Import &CD", "import_cd", {}},
    {CreatorEditDlg::kRecord, "Record", "&Record", "record", {}},
    {CreatorEditDlg::kAddTitle, "Add a Title", "Add a &Title", "add_title", QKeySequence(Qt::CTRL | Qt::Key_T)},
    {CreatorEditDlg::kAddChapter, "Add a Chapter", "&Add a Chapter", "add_chapter", QKeySequence(Qt::Key_Insert)},
    {CreatorEditDlg::kEditChapter, "Edit a Chapter", "&Edit a Chapter", "edit_chapter", QKeySequence(Qt::CTRL | Qt::Key_E)},
    {CreatorEditDlg::kDeleteTitle, "Delete a Title", "De&lete a Title", "del_title", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete)},
    {CreatorEditDlg::kDeleteChapter, "Delete a Chapter", "&Delete a Chapter", "del_chapter", QKeySequence(Qt::CTRL | Qt::Key_Delete)},
    {CreatorEditDlg::kRemoveAll, "Remove All", "Remove A&ll", "del_all", {}},
    {CreatorEditDlg::kMoveUp, "Move Up", "Move &Up", "up_move", QKeySequence(Qt::CTRL | Qt::Key_Up)},
    {CreatorEditDlg::kMoveDown, "Move Down", "Move Do&wn", "down_move", QKeySequence(Qt::CTRL | Qt::Key_Down)},
};
const CommandInfo kPlayerCommands[] = {
    {CreatorEditDlg::kPlay, "Play", "&Play", "preview_play", QKeySequence(Qt::Key_F5)},
    {CreatorEditDlg::kPause, "Pause", "P&ause", "preview_pause", QKeySequence(Qt::Key_F6)},
    {CreatorEditDlg::kStop, "Stop", "&Stop", "preview_stop", QKeySequence(Qt::Key_F7)},
    {CreatorEditDlg::kPrevious, "Previous", "Pre&vious", "preview_pre", QKeySequence(Qt::CTRL | Qt::Key_Left)},
    {CreatorEditDlg::kNext, "Next", "&Next", "preview_next", QKeySequence(Qt::CTRL | Qt::Key_Right)},
    {CreatorEditDlg::kVolumeUp, "Volume Up", "Volume Up", "preview_volumeup", QKeySequence(Qt::CTRL | Qt::Key_Plus)},
    {CreatorEditDlg::kVolumeDown, "Volume Down", "Volume Down", "preview_volumedown", QKeySequence(Qt::CTRL | Qt::Key_Minus)},
    {CreatorEditDlg::kFullScreen, "Full Screen", "&Full Screen", "preview_full", QKeySequence(Qt::Key_F11)},
};

QString IdName(int id) { return QString::number(id); }

// "%d" of `text` filled with `numbers` in order.
std::string FillNumbers(std::string text, std::initializer_list<int> numbers) {
  for (const int n : numbers) {
    const std::size_t at = text.find("%d");
    if (at == std::string::npos) break;
    text.replace(at, 2, std::to_string(n));
  }
  return text;
}

}  // namespace

// ------------------------------------------------------------ the list

// The tree list: rows drawn from the ChapterTree, chapters dragged with the
// mouse (captured until release; Escape, another button or the loss of the
// capture cancel), files dropped from the desktop, the Delete key and the
// numeric pad's "*" and "+".
class CreatorEditDlg::ChapterList : public QTreeWidget {
 public:
  explicit ChapterList(CreatorEditDlg& page) : QTreeWidget(&page), page_(page) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragEnabled(false);
    setAutoScroll(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    scroll_timer_.setInterval(kAutoScrollMs);
    connect(&scroll_timer_, &QTimer::timeout, this, [this] { AutoScroll(); });
  }

  bool Dragging() const { return dragged_ != nullptr; }
  QTreeWidgetItem* DropTarget() const { return target_; }

  void CancelDrag() {
    if (!dragged_) return;
    Highlight(nullptr);
    dragged_ = nullptr;
    scroll_timer_.stop();
    if (drag_image_) drag_image_->hide();
    if (QWidget::mouseGrabber() == viewport()) viewport()->releaseMouse();
    unsetCursor();
  }

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
    // Only the lyric and picture cells of chapter rows.
    const ChapterTreeNode* node = page_.NodeOf(itemFromIndex(index));
    if (!node || !node->IsChapter()) return false;
    if (index.column() != kLyricColumn && index.column() != kPictureColumn) return false;
    return QTreeWidget::edit(index, trigger, event);
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (Dragging() && event->key() == Qt::Key_Escape) {
      CancelDrag();
      return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier &&
        state() != QAbstractItemView::EditingState) {
      page_.DeleteSelected();
      return;
    }
    if ((event->modifiers() & Qt::KeypadModifier) &&
        (event->key() == Qt::Key_Asterisk || event->key() == Qt::Key_Plus)) {
      if (QTreeWidgetItem* item = currentItem(); item && page_.NodeOf(item) &&
                                                 page_.NodeOf(item)->IsTitle())
        item->setExpanded(true);
      return;
    }
    QTreeWidget::keyPressEvent(event);
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (Dragging()) {
      // Another button while dragging cancels.
      if (event->button() != Qt::LeftButton) CancelDrag();
      return;
    }
    QTreeWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
      press_item_ = itemAt(event->position().toPoint());
      press_pos_ = event->position().toPoint();
    }
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    const QPoint pos = event->position().toPoint();
    if (!Dragging()) {
      if ((event->buttons() & Qt::LeftButton) && press_item_ &&
          state() != QAbstractItemView::EditingState &&
          (pos - press_pos_).manhattanLength() >= QApplication::startDragDistance())
        BeginDrag();
      else
        QTreeWidget::mouseMoveEvent(event);
      if (!Dragging()) return;
    }
    last_pos_ = pos;
    Highlight(itemAt(pos));
    if (drag_image_) drag_image_->move(pos + QPoint(12, 8));
    const int row = RowHeight();
    const bool near_edge = pos.y() < row || pos.y() > viewport()->height() - row;
    if (near_edge && !scroll_timer_.isActive()) scroll_timer_.start();
    if (!near_edge) scroll_timer_.stop();
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (!Dragging()) {
      QTreeWidget::mouseReleaseEvent(event);
      press_item_ = nullptr;
      return;
    }
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    ChapterTreeNode* dragged = page_.NodeOf(dragged_);
    CancelDrag();
    press_item_ = nullptr;
    if (target && dragged) page_.DropRow(page_.NodeOf(target), dragged);
  }

  bool viewportEvent(QEvent* event) override {
    // The capture went elsewhere: the drag ends without a drop.
    if (event->type() == QEvent::UngrabMouse && Dragging()) CancelDrag();
    return QTreeWidget::viewportEvent(event);
  }

  void focusOutEvent(QFocusEvent* event) override {
    CancelDrag();
    QTreeWidget::focusOutEvent(event);
  }

  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    ChapterTreeNode* node = page_.NodeOf(item);
    if (node && node->IsChapter()) {
      page_.PlayChapter(page_.Tree().FlatIndexOf(node));
      return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
  }

  void contextMenuEvent(QContextMenuEvent* event) override { page_.ShowMenu(event->globalPos()); }

  void dragEnterEvent(QDragEnterEvent* event) override {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
  }
  void dropEvent(QDropEvent* event) override {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
      if (url.isLocalFile()) paths << url.toLocalFile();
    event->acceptProposedAction();
    page_.DropFiles(paths);
  }

 private:
  int RowHeight() const {
    return std::max(fontMetrics().height() + fontMetrics().leading() + 4, 8);
  }

  void BeginDrag() {
    if (page_.NodeOf(press_item_) == nullptr ||
        page_.NodeOf(press_item_)->kind == ChapterTreeNode::Kind::Root || !page_.Editable())
      return;
    dragged_ = press_item_;
    viewport()->grabMouse();
    setCursor(Qt::DragMoveCursor);
    if (!drag_image_) {
      drag_image_ = new QLabel(viewport());
      drag_image_->setAttribute(Qt::WA_TransparentForMouseEvents);
      drag_image_->setStyleSheet(QStringLiteral("background: palette(highlight); "
                                                "color: palette(highlighted-text); padding: 2px"));
    }
    drag_image_->setText(dragged_->text(kNameColumn));
    drag_image_->adjustSize();
    drag_image_->show();
    drag_image_->raise();
  }

  void AutoScroll() {
    QScrollBar* bar = verticalScrollBar();
    if (last_pos_.y() < RowHeight())
      bar->setValue(bar->value() - 1);
    else if (last_pos_.y() > viewport()->height() - RowHeight())
      bar->setValue(bar->value() + 1);
    Highlight(itemAt(last_pos_));
  }

  void Highlight(QTreeWidgetItem* item) {
    if (item == target_) return;
    const QBrush none;
    if (target_)
      for (int c = 0; c < columnCount(); ++c) target_->setBackground(c, none);
    target_ = item;
    if (target_)
      for (int c = 0; c < columnCount(); ++c)
        target_->setBackground(c, palette().brush(QPalette::Highlight).color().lighter(160));
  }

  CreatorEditDlg& page_;
  QTreeWidgetItem* press_item_ = nullptr;
  QPoint press_pos_;
  QPoint last_pos_;
  QTreeWidgetItem* dragged_ = nullptr;
  QTreeWidgetItem* target_ = nullptr;
  QLabel* drag_image_ = nullptr;
  QTimer scroll_timer_;
};

// ------------------------------------------------------------ the page

class CreatorEditDlg::Widgets {
 public:
  explicit Widgets(AppContext& context) : sources(context.Conversion()) {}

  carrowell::ConversionSourceList sources;
  std::unique_ptr<ChapterEditor> editor;
  QLabel* caption = nullptr;
  ChapterList* list = nullptr;
  QLabel* picture = nullptr;
  SkinBar* position = nullptr;
  QLabel* position_text = nullptr;
  SkinBar* capacity = nullptr;
  QLabel* totals = nullptr;
  std::map<int, SkinButton*> buttons;
  std::map<int, QAction*> actions;
  QMenu* menu = nullptr;
  QMenu* picture_menu = nullptr;
  QTimer timer;
  std::unique_ptr<QtWindowSink> player_sink;
  bool rebuilding = false;
};

CreatorEditDlg::CreatorEditDlg(AppContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      tree_(std::make_unique<ChapterTree>(context.Project())),
      widgets_(std::make_unique<Widgets>(context)) {
  setObjectName("CreatorEditDlg");
  widgets_->editor =
      std::make_unique<ChapterEditor>(context.Project(), *tree_, widgets_->sources);
  SetChapterDialogRunner({});
  picture_browser_ = [](QWidget* parent, const QString& folder) {
    const QString chosen = QFileDialog::getOpenFileName(
        parent, QStringLiteral("Select Files"), folder, QStringLiteral("Supported Files (*.bmp *.jpg)"));
    return chosen;
  };
  BuildWidgets();
  BuildCommands();
}

CreatorEditDlg::~CreatorEditDlg() {
  if (widgets_->player_sink) {
    context_.Preview().StopPlayback();
    context_.Preview().SetOwnerWindow(platform::kNoWindow);
  }
}

void CreatorEditDlg::BuildWidgets() {
  Widgets& w = *widgets_;
  w.caption = new QLabel(QStringLiteral("Edit & Preview"), this);
  w.caption->setTextFormat(Qt::PlainText);
  QFont heading = w.caption->font();
  heading.setBold(true);
  heading.setPixelSize(18);
  w.caption->setFont(heading);
  w.caption->setGeometry(kMargin, 8, 400, 28);

  w.list = new ChapterList(*this);
  w.list->setObjectName(IdName(kListId));
  w.list->setColumnCount(5);
  w.list->setGeometry(kMargin, kListTop, kListWidth, kListHeight);
  w.list->setRootIsDecorated(true);
  w.list->setUniformRowHeights(true);
  w.list->setContextMenuPolicy(Qt::DefaultContextMenu);
  w.list->header()->setStretchLastSection(true);
  w.list->setColumnWidth(kNameColumn, 150);
  w.list->setColumnWidth(kTimeColumn, 64);
  connect(w.list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (widgets_->rebuilding) return;
    tree_->Select(NodeOf(item));
    RefreshCommands();
    RefreshPicture();
  });
  connect(w.list, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (ChapterTreeNode* node = NodeOf(item); node && !widgets_->rebuilding) node->expanded = true;
  });
  connect(w.list, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (ChapterTreeNode* node = NodeOf(item); node && !widgets_->rebuilding) node->expanded = false;
  });
  connect(w.list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (widgets_->rebuilding || (column != kLyricColumn && column != kPictureColumn)) return;
    ChapterTreeNode* node = NodeOf(item);
    if (!node || !node->IsChapter()) return;
    EditCells(node, item->text(kLyricColumn), item->text(kPictureColumn));
  });

  w.picture = new QLabel(this);
  w.picture->setObjectName(IdName(kPreviewPictureId));
  w.picture->setGeometry(kPreviewLeft, kListTop, kPreviewWidth, kPreviewHeight);
  w.picture->setAlignment(Qt::AlignCenter);
  w.picture->setFrameShape(QFrame::Box);
  w.picture->setContextMenuPolicy(Qt::CustomContextMenu);
  w.picture->installEventFilter(this);
  connect(w.picture, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    widgets_->picture_menu->popup(widgets_->picture->mapToGlobal(pos));
  });

  const int bar_top = kListTop + kPreviewHeight + 8;
  w.position = new SkinBar(this);
  w.position->setObjectName(IdName(kPositionBarId));
  w.position->SetMaximum(100);
  w.position->setGeometry(kPreviewLeft, bar_top, kPreviewWidth, 12);
  w.position->setFocusPolicy(Qt::NoFocus);
  w.position_text = new QLabel(QStringLiteral("00m:00s"), this);
  w.position_text->setObjectName(IdName(kPositionTextId));
  w.position_text->setGeometry(kPreviewLeft, bar_top + 14, kPreviewWidth, 18);

  w.capacity = new SkinBar(this);
  w.capacity->setObjectName(IdName(kCapacityBarId));
  w.capacity->SetMaximum(kCapacityBarLength);
  w.capacity->setGeometry(kMargin, kListTop + kListHeight + 10, 300, 12);
  w.capacity->setFocusPolicy(Qt::NoFocus);
  w.totals = new QLabel(this);
  w.totals->setObjectName(IdName(kTotalsId));
  w.totals->setGeometry(kMargin, kListTop + kListHeight + 26, kPageWidth - 2 * kMargin, 20);

  w.timer.setInterval(kPreviewTimerMs);
  connect(&w.timer, &QTimer::timeout, this, [this] { Tick(); });
}

void CreatorEditDlg::BuildCommands() {
  Widgets& w = *widgets_;
  w.menu = new QMenu(this);
  w.menu->setObjectName("144");
  auto add = [this, &w](const CommandInfo& info, QPoint at) {
    auto* button = new SkinButton(QString::fromLatin1(info.text), this);
    button->setObjectName(IdName(info.id));
    button->SetDrawText(false);
    button->setProperty(kSkinProperty, QString::fromLatin1(info.skin));
    button->setGeometry(QRect(at, QSize(kButtonSize, kButtonSize)));
    button->setFocusPolicy(Qt::StrongFocus);
    connect(button, &QPushButton::clicked, this, [this, id = info.id] { Run(id); });
    w.buttons[info.id] = button;

    auto* action = new QAction(QString::fromLatin1(info.menu_text), this);
    action->setObjectName(QStringLiteral("ID_%1").arg(info.id));
    if (!info.key.isEmpty()) {
      action->setShortcut(info.key);
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    connect(action, &QAction::triggered, this, [this, id = info.id] { Run(id); });
    addAction(action);
    w.actions[info.id] = action;
  };
  int x = kMargin;
  for (const CommandInfo& info : kEditCommands) {
    add(info, QPoint(x, kToolbarTop));
    x += kButtonSize + 4;
  }
  const int player_top = kListTop + kPreviewHeight + 42;
  const int step = kPreviewWidth / static_cast<int>(std::size(kPlayerCommands));
  x = kPreviewLeft;
  for (const CommandInfo& info : kPlayerCommands) {
    add(info, QPoint(x, player_top));
    x += step;
  }
  for (const CommandInfo& info : kEditCommands) w.menu->addAction(w.actions[info.id]);
  w.menu->addSeparator();
  for (const CommandInfo& info : kPlayerCommands) w.menu->addAction(w.actions[info.id]);
  w.menu->setDefaultAction(w.actions[kPlay]);

  w.picture_menu = new QMenu(this);
  w.picture_menu->setObjectName("144.2");
}

void CreatorEditDlg::Initialize() {
  Widgets& w = *widgets_;
  LanguageHolder& language = context_.Settings().Language();
  const fs::path skins = SkinsFolder();
  for (auto& [id, button] : w.buttons) {
    SetButtonSkin(*button, skins, button->property(kSkinProperty).toString().toStdString());
    button->setFixedSize(kButtonSize, kButtonSize);
  }
  const QImage empty = LoadSkinImage(skins / "Progress_Zero.bmp");
  const QImage full = LoadSkinImage(skins / "Progress_Full.bmp");
  if (!empty.isNull() && !full.isNull()) {
    for (auto [bar, width] : {std::pair{w.capacity, empty.width()}, std::pair{w.position, kPreviewWidth}}) {
      const QImage bar_empty = empty.scaled(width, empty.height());
      bar->SetShape(BuildShapeRegion(bar_empty));
      bar->SetBarImages(bar_empty, full.scaled(width, full.height()));
    }
  }
  SetButtonToolTips(*this, [&language](const QString& caption) {
    return QString::fromStdString(language.Translate(caption.toStdString(), kSectionToolTips));
  });
  TranslateMenuTexts(language, *w.menu, kSectionPopupMenus);
  w.list->setHeaderLabels({Text("Music Title", kSectionCreatorEditDlg),
                           Text("Play Time", kSectionCreatorEditDlg),
                           Text("Lyric File", kSectionCreatorEditDlg),
                           Text("Background Picture", kSectionCreatorEditDlg),
                           Text("Audio File", kSectionCreatorEditDlg)});

  // The picture area's menu: the first themes, then a file of one's own.
  w.picture_menu->clear();
  const std::vector<std::string> themes = ListThemes();
  for (int i = 0; i < static_cast<int>(themes.size()) && i < kThemeMenuEntries; ++i) {
    QAction* action = w.picture_menu->addAction(QString::fromStdString(themes[i]));
    action->setObjectName(QStringLiteral("ID_%1").arg(kThemeCommandFirst + i));
    connect(action, &QAction::triggered, this, [this, i] { SetChapterPicture(i); });
  }
  QAction* browse = w.picture_menu->addAction(Text("B&rowser...", kSectionPopupMenus));
  browse->setObjectName(QStringLiteral("ID_%1").arg(kBrowserCommand));
  connect(browse, &QAction::triggered, this, [this] { SetChapterPicture(-1); });

  // The player reports the end of a file to this window.
  w.player_sink = std::make_unique<QtWindowSink>(
      [this](std::uint32_t message, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        if (message == kGraphNotifyMessage) context_.Preview().HandleGraphEvents();
        if (message == kPlaybackEndedMessage) ChapterEnded();
        return 0;
      });
  context_.Preview().SetOwnerWindow(w.player_sink->Register());
  RebuildList();
  Refresh();
}

QString CreatorEditDlg::Text(const char* english, const char* section) const {
  return QString::fromStdString(context_.Settings().Language().Translate(english, section));
}

QAction* CreatorEditDlg::CommandAction(int command) const {
  const auto it = widgets_->actions.find(command);
  return it == widgets_->actions.end() ? nullptr : it->second;
}

ChapterTreeNode* CreatorEditDlg::NodeOf(const QTreeWidgetItem* item) const {
  return item ? reinterpret_cast<ChapterTreeNode*>(item->data(0, Qt::UserRole).value<quintptr>())
              : nullptr;
}

// ------------------------------------------------------------ list and state

void CreatorEditDlg::RebuildList() {
  Widgets& w = *widgets_;
  w.rebuilding = true;
  const int scroll = w.list->verticalScrollBar()->value();
  w.list->CancelDrag();
  w.list->clear();
  QTreeWidgetItem* selected = nullptr;
  auto make = [this, &selected](const ChapterTreeNode& node, const QString& name) {
    auto* item = new QTreeWidgetItem;
    item->setText(kNameColumn, name);
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    if (node.IsChapter()) {
      for (int c = 0; c < 4; ++c)
        item->setText(c + 1, QString::fromStdString(node.columns[static_cast<std::size_t>(c)]));
      item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    if (&node == tree_->Selected()) selected = item;
    return item;
  };
  const ChapterTreeNode& root = tree_->Root();
  QTreeWidgetItem* root_item = make(root, Text(ChapterTree::kRootCaption, kSectionCreatorEditDlg));
  w.list->addTopLevelItem(root_item);
  const std::string title_text = Text("Title %d", kSectionCreatorEditDlg).toStdString();
  for (int t = 0; t < tree_->TitleCount(); ++t) {
    const ChapterTreeNode& title = *root.children[t];
    QTreeWidgetItem* title_item =
        make(title, QString::fromStdString(FillNumbers(title_text, {t + 1})));
    root_item->addChild(title_item);
    for (const auto& chapter : title.children)
      title_item->addChild(make(*chapter, QString::fromStdString(chapter->name)));
    title_item->setExpanded(title.expanded);
  }
  root_item->setExpanded(true);
  w.list->setCurrentItem(selected ? selected : root_item);
  if (selected) w.list->scrollToItem(selected);
  else w.list->verticalScrollBar()->setValue(scroll);
  if (!selected) tree_->Select(nullptr);
  w.rebuilding = false;
}

void CreatorEditDlg::Select(ChapterTreeNode* node) {
  // A chapter's title opens so that its row can be shown.
  if (node && node->IsChapter()) node->parent->expanded = true;
  tree_->Select(node && node->kind != ChapterTreeNode::Kind::Root ? node : nullptr);
  RebuildList();
  RefreshCommands();
  RefreshPicture();
}

void CreatorEditDlg::Changed() {
  modified_ = true;
  RebuildList();
  Refresh();
}

void CreatorEditDlg::Refresh() {
  Widgets& w = *widgets_;
  ProjectDocument& project = context_.Project();
  const int size_mb = project.EstimateProjectSizeMB(project.Header().AudioSampleRate);
  const std::string first =
      FillNumbers(Text("Total Sizes: %dMB, Total Titles: %d, Total Chapters: %d.",
                       kSectionCreatorEditDlg)
                      .toStdString(),
                  {size_mb, tree_->TitleCount(), project.CellCount()});
  w.totals->setText(QString::fromStdString(first) +
                    Text(" Each chapter has one background picture.", kSectionCreatorEditDlg));
  int filled = size_mb * kCapacityBarLength / kCapacityFullMB;
  if (size_mb > 0) filled = std::max(filled, 1);
  w.capacity->SetPosition(std::min(filled, kCapacityBarLength));
  RefreshCommands();
  RefreshPicture();
}

bool CreatorEditDlg::Editable() const {
  return !whole_project_preview_ && !context_.Preview().IsPlaying();
}

bool CreatorEditDlg::IsEnabled(int command) const {
  const bool editable = Editable();
  const bool chapters = context_.Project().CellCount() > 0;
  const bool titles = tree_->TitleCount() > 0;
  const bool playing = context_.Preview().IsPlaying();
  const bool paused = context_.Preview().IsPaused();
  switch (command) {
    case kImportFile: case kAddTitle: case kAddChapter: return editable;
    case kImportCd: case kRecord: return editable;
    case kDeleteTitle: return editable && tree_->SelectionIsTitle() && (chapters || titles);
    case kDeleteChapter: case kEditChapter: case kMoveUp: case kMoveDown:
      return editable && tree_->SelectionIsChapter() && chapters;
    case kRemoveAll: return editable && (chapters || titles);
    case kPlay: case kFullScreen: return chapters;
    case kPause: case kStop: return playing || paused;
    case kPrevious: case kNext: case kVolumeUp: case kVolumeDown: return playing;
    default: return false;
  }
}

void CreatorEditDlg::RefreshCommands() {
  Widgets& w = *widgets_;
  for (auto& [id, button] : w.buttons) button->setEnabled(IsEnabled(id));
  for (auto& [id, action] : w.actions) action->setEnabled(IsEnabled(id));
  // The context menu's Delete a Title needs a chapter.
  w.actions[kDeleteTitle]->setEnabled(IsEnabled(kDeleteTitle) &&
                                      context_.Project().CellCount() > 0);
  // Play looks pressed while playing, Pause while paused.
  for (auto [id, pressed] : {std::pair{kPlay, context_.Preview().IsPlaying()},
                             std::pair{kPause, context_.Preview().IsPaused()}}) {
    w.buttons[id]->SetCheckMode(pressed);
    w.buttons[id]->SetCheck(pressed);
  }
  const bool chapter = tree_->SelectionIsChapter() && Editable();
  for (QAction* action : w.picture_menu->actions()) action->setEnabled(chapter);
}

void CreatorEditDlg::RefreshPicture() {
  Widgets& w = *widgets_;
  const ProjectDocument& project = context_.Project();
  const int playing = context_.Preview().IsPlaying() || context_.Preview().IsPaused()
                          ? current_chapter_
                          : -1;
  const int chapter = playing >= 0 ? playing : tree_->SelectedFlatIndex();
  QImage image = ComposeProjectChapter(project, chapter, w.picture->contentsRect().size());
  if (!project.GetAudioCell(chapter)) image = LoadSkinImage(SkinsFolder() / "Preview_logo.bmp");
  w.picture->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
}

int CreatorEditDlg::RowCount() const { return static_cast<int>(tree_->Rows().size()) - 1; }

void CreatorEditDlg::Reset() {
  StopPreview();
  widgets_->editor->RemoveAll();
  modified_ = false;
  RebuildList();
  Refresh();
}

bool CreatorEditDlg::RebuildTree() {
  tree_->Clear();
  const RebuildResult result = RebuildChapterTree(context_.Project(), *tree_, widgets_->sources);
  tree_->Select(nullptr);
  RebuildList();
  Refresh();
  return result.all_added;
}

// ------------------------------------------------------------ commands

void CreatorEditDlg::Run(int command) {
  if (!IsEnabled(command)) return;
  ChapterEditor& editor = *widgets_->editor;
  switch (command) {
    case kImportFile: ImportFile(); break;
    case kImportCd: ImportCd(); break;
    case kRecord: Record(); break;
    case kAddTitle:
      if (tree_->AddTitle()) Changed();
      else ShowRefusal(TooManyTitles);
      break;
    case kAddChapter: AddChapter(); break;
    case kEditChapter: EditChapter(); break;
    case kDeleteTitle:
      if (editor.DeleteTitle(tree_->Selected())) Changed();
      break;
    case kDeleteChapter:
      if (editor.DeleteChapter(tree_->Selected(), false)) Changed();
      break;
    case kRemoveAll: RemoveAll(); break;
    case kMoveUp:
    case kMoveDown: {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      const bool moved = command == kMoveUp ? editor.MoveUp() : editor.MoveDown();
      QApplication::restoreOverrideCursor();
      if (moved) Changed();
      break;
    }
    case kPlay: Play(); break;
    case kPause:
      context_.Preview().PauseResume();
      Refresh();
      break;
    case kStop: StopPreview(); break;
    case kPrevious: Step(-1); break;
    case kNext: Step(1); break;
    case kVolumeUp: ChangeVolume(kVolumeStep); break;
    case kVolumeDown: ChangeVolume(-kVolumeStep); break;
    case kFullScreen: FullScreen(); break;
    default: break;
  }
}

ChapterDefaults CreatorEditDlg::NewChapterDefaults() const {
  ChapterDefaults defaults;
  defaults.picture_path = context_.DefaultChapterPicturePath();
  defaults.lyric_font = context_.Settings().Values().lfLyricFont;
  defaults.lyric_color = context_.Settings().Values().crLyricColor;
  return defaults;
}

void CreatorEditDlg::ShowRefusal(int result) {
  if (const char* text = AddChapterRefusalText(result); text && *text)
    platform::MessageBox(platform::kNoWindow, text, "Error",
                         platform::kMbOk | platform::kMbIconError);
}

void CreatorEditDlg::Warn(const char* message, const std::string& path) {
  const std::string text =
      context_.Settings().Language().Translate(message, kSectionMessageBoxes) + "\n" + path;
  platform::MessageBox(platform::kNoWindow, text, "Warning",
                       platform::kMbOk | platform::kMbIconWarning);
}

void CreatorEditDlg::FinishImport(int first_item, ChapterEditor::ImportedAudio audio,
                                  int sample_rate) {
  const ChapterEditor::ImportOutcome outcome =
      widgets_->editor->FinishImport(first_item, audio, sample_rate, NewChapterDefaults());
  if (outcome.added > 0) modified_ = true;
  RebuildList();
  Refresh();
  if (outcome.refusal < 0) ShowRefusal(outcome.refusal);
}

void CreatorEditDlg::ImportFile() {
  const int first = context_.Conversion().GetItemCount();
  context_.Conversion().BrowseAndAddFiles();
  FinishImport(first, ChapterEditor::ImportedAudio::Source, 0);
}

void CreatorEditDlg::ImportCd() {
  carrowell::ConversionCtrl& conversion = context_.Conversion();
  const int first = conversion.GetItemCount();
  if (cd_importer_) cd_importer_();
  else conversion.ImportAudioCD();
  const int added = conversion.GetItemCount() - first;
  if (added <= 0) return;
  const std::string work = context_.Settings().WorkPath();
  const int free_mb = free_space_ ? free_space_(work) : GetFreeDiskSpaceMB(work, 0);
  if (free_mb >= 0 && free_mb < added * kCdTrackReserveMB) {
    conversion.RemoveItems(first, added);
    platform::MessageBox(platform::kNoWindow,
                         "Not enough disk space, please respecify your work folder!", "Warning",
                         platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  std::vector<int> indices(static_cast<std::size_t>(added));
  for (int i = 0; i < added; ++i) indices[static_cast<std::size_t>(i)] = first + i;
  if (!conversion.ConvertItems(indices.data(), added)) {
    conversion.RemoveItems(first, added);
    return;
  }
  FinishConvertedImport(first);
}

void CreatorEditDlg::Record() {
  carrowell::ConversionCtrl& conversion = context_.Conversion();
  const int first = conversion.GetItemCount();
  if (recorder_) recorder_();
  else conversion.RecordAudio();
  // The control has converted the recording already.
  if (conversion.GetItemCount() > first) FinishConvertedImport(first);
}

void CreatorEditDlg::FinishConvertedImport(int first) {
  carrowell::ConversionCtrl& conversion = context_.Conversion();
  const int added = conversion.GetItemCount() - first;
  // Each new item becomes its WAV file: a later change of the sample rate
  // converts that file, never a CD or a recording that is gone by then.
  for (int i = first; i < first + added; ++i) {
    const std::string wav = widgets_->sources.GetItemDestination(i);
    conversion.RemoveItems(i, 1);
    if (widgets_->sources.InsertFile(wav.c_str(), i) != 1) {
      conversion.RemoveItems(first, conversion.GetItemCount() - first);
      return;
    }
  }
  FinishImport(first, ChapterEditor::ImportedAudio::Source,
               static_cast<int>(conversion.GetSampleRate()));
}

void CreatorEditDlg::DropFiles(const QStringList& paths) {
  if (!Editable() || paths.size() >= kDroppedFilesLimit) return;
  const int first = context_.Conversion().GetItemCount();
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) continue;
    context_.Conversion().AddFile(path.toStdString().c_str(), -1);
  }
  FinishImport(first, ChapterEditor::ImportedAudio::Source, 0);
}

void CreatorEditDlg::SetChapterDialogRunner(ChapterDialogRunner runner) {
  if (runner) {
    chapter_dialog_ = std::move(runner);
    return;
  }
  chapter_dialog_ = [this](QWidget* parent, bool edit,
                           const ChapterFiles& initial) -> std::optional<ChapterFiles> {
    AddChapterDlg dialog(context_, edit ? AddChapterDlg::Mode::Edit : AddChapterDlg::Mode::Add,
                         initial, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Fields();
  };
}

void CreatorEditDlg::AddChapter() {
  ChapterFiles initial;
  initial.lyric_font = context_.Settings().Values().lfLyricFont;
  initial.lyric_color = context_.Settings().Values().crLyricColor;
  const std::optional<ChapterFiles> files = chapter_dialog_(this, false, initial);
  if (!files) return;
  const int result = widgets_->editor->AddChapter(*files);
  if (result < 0) ShowRefusal(result);
  if (result == 1) Changed();
}

void CreatorEditDlg::EditChapter() {
  const int index = tree_->SelectedFlatIndex();
  const AudioCell* audio = context_.Project().GetAudioCell(index);
  const VideoCell* video = context_.Project().GetVideoCell(index);
  std::error_code error;
  if (!audio || !video || !fs::exists(audio->AudioFilePath, error)) return;
  const ChapterFiles initial{audio->AudioFilePath, video->VideoFilePath, audio->LyricFilePath,
                             audio->LyricFont, audio->LyricColor};
  const std::optional<ChapterFiles> files = chapter_dialog_(this, true, initial);
  if (files && widgets_->editor->EditChapter(index, *files)) Changed();
}

void CreatorEditDlg::RemoveAll() {
  const int answer = platform::MessageBox(platform::kNoWindow,
                                          "Are you sure you want to remove all audio files?",
                                          "Confirmation",
                                          platform::kMbYesNo | platform::kMbIconQuestion);
  if (answer != platform::kIdYes) return;
  widgets_->editor->RemoveAll();
  Changed();
}

void CreatorEditDlg::DeleteSelected() {
  if (!Editable()) return;
  ChapterTreeNode* node = tree_->Selected();
  ChapterEditor& editor = *widgets_->editor;
  if (node && ((node->IsTitle() && editor.DeleteTitle(node)) ||
               (node->IsChapter() && editor.DeleteChapter(node, true))))
    Changed();
}

void CreatorEditDlg::DropRow(ChapterTreeNode* target, ChapterTreeNode* dragged) {
  if (!Editable()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool moved = widgets_->editor->Move(target, dragged);
  QApplication::restoreOverrideCursor();
  if (moved) Changed();
}

void CreatorEditDlg::EditCells(ChapterTreeNode* chapter, const QString& lyric,
                               const QString& picture) {
  const int index = tree_->FlatIndexOf(chapter);
  if (index < 0 || !Editable()) return;
  // A picture that cannot be shown would drop the chapter at the next Open.
  StillPicture still;
  if (!LoadPicture(still, picture.toStdString())) {
    Warn("Invalid background picture File:", picture.toStdString());
    RebuildList();
    return;
  }
  if (widgets_->editor->SetLyricAndPicture(index, lyric.toStdString(), picture.toStdString()))
    Changed();
}

void CreatorEditDlg::SetChapterPicture(int theme_index) {
  const int index = tree_->SelectedFlatIndex();
  if (index < 0 || !Editable()) return;
  std::string path;
  if (theme_index >= 0) {
    const std::vector<std::string> themes = ListThemes();
    if (theme_index >= static_cast<int>(themes.size())) return;
    path = ThemePicturePaths(ThemesFolder(), themes[theme_index]).chapter.string();
  } else {
    const QString chosen = picture_browser_(
        this, QString::fromStdString(ThemesFolder().string()));
    if (chosen.isEmpty()) return;
    path = chosen.toStdString();
  }
  StillPicture still;
  if (!LoadPicture(still, path)) {
    Warn("Invalid background picture File:", path);
    return;
  }
  if (widgets_->editor->SetPicture(index, path)) Changed();
}

// ------------------------------------------------------------ preview

void CreatorEditDlg::PlayChapter(int chapter) {
  const AudioCell* audio = context_.Project().GetAudioCell(chapter);
  if (!audio) return;
  PreviewPlayer& player = context_.Preview();
  if (player.IsPlaying() || player.IsPaused()) player.StopPlayback();
  current_chapter_ = chapter;
  Widgets& w = *widgets_;
  w.position->SetPosition(0);
  w.position_text->setText(QStringLiteral("00m:00s"));
  Select(tree_->ChapterAt(chapter));
  if (full_screen_) full_screen_(chapter, false);
  if (!player.OpenAndPlay(audio->AudioFilePath)) {
    // A chapter that cannot be played is passed over once in the whole-
    // project preview; when none can be played, the preview ends.
    w.timer.stop();
    if (whole_project_preview_ && ++failed_in_a_row_ < context_.Project().CellCount()) {
      QTimer::singleShot(0, this, [this] {
        if (whole_project_preview_) Step(1);
      });
    } else {
      StopPreview();
    }
    return;
  }
  failed_in_a_row_ = 0;
  player.ReadDuration();
  w.timer.start();
  Refresh();
}

void CreatorEditDlg::Play() {
  if (context_.Preview().IsPaused()) {
    context_.Preview().PauseResume();
    Refresh();
    return;
  }
  const int selected = tree_->SelectedFlatIndex();
  PlayChapter(selected >= 0 ? selected : 0);
}

void CreatorEditDlg::Step(int delta) {
  const int count = context_.Project().CellCount();
  if (count == 0) return;
  const int from = current_chapter_ < 0 ? 0 : current_chapter_;
  PlayChapter(((from + delta) % count + count) % count);
}

void CreatorEditDlg::ChapterEnded() {
  if (whole_project_preview_) {
    Step(1);
    return;
  }
  StopPlayback();
  Refresh();
}

void CreatorEditDlg::StopPlayback() {
  Widgets& w = *widgets_;
  w.timer.stop();
  w.position->SetPosition(0);
  w.position_text->setText(QStringLiteral("00m:00s"));
  PreviewPlayer& player = context_.Preview();
  if (player.IsPlaying() || player.IsPaused()) player.StopPlayback();
}

void CreatorEditDlg::StopPreview() {
  StopPlayback();
  whole_project_preview_ = false;
  failed_in_a_row_ = 0;
  Refresh();
}

void CreatorEditDlg::EnterPage(bool whole_project_preview) {
  if (whole_project_preview && context_.Project().CellCount() > 0) {
    whole_project_preview_ = true;
    failed_in_a_row_ = 0;
    PlayChapter(0);
  }
  Refresh();
}

void CreatorEditDlg::Tick() {
  const PreviewPlayer& player = context_.Preview();
  widgets_->position->SetPosition(player.GetPositionPercent());
  const std::string text = player.GetPositionText();
  if (!text.empty()) widgets_->position_text->setText(QString::fromStdString(text));
}

void CreatorEditDlg::ChangeVolume(int delta) {
  int volume = kVolumeFull;
  if (context_.Preview().GetVolume(volume)) context_.Preview().SetVolume(volume + delta);
}

void CreatorEditDlg::FullScreen() {
  if (!full_screen_) return;
  const bool playing = context_.Preview().IsPlaying();
  const int chapter = playing ? current_chapter_ : std::max(tree_->SelectedFlatIndex(), 0);
  full_screen_(chapter, true);
}

bool CreatorEditDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == widgets_->picture && event->type() == QEvent::MouseButtonDblClick &&
      IsEnabled(kFullScreen)) {
    FullScreen();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void CreatorEditDlg::ShowMenu(const QPoint& global_pos) {
  RefreshCommands();
  widgets_->menu->popup(global_pos);
}

}  // namespace verosa
