#include "ui/pages/creator_edit_dlg.h"

#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "carrowell/conversion_source_list.h"
#include "project/chapter_editing.h"
#include "project/chapter_tree.h"
#include "shell/app_context.h"

namespace verosa {

class CreatorEditDlg::Widgets {
 public:
  QLabel* caption = nullptr;
  QTreeWidget* list = nullptr;
  QLabel* totals = nullptr;
  QPushButton* stop = nullptr;
};

namespace {

constexpr int kMargin = 16;
constexpr int kPageWidth = 720;
constexpr int kListTop = 48;
constexpr int kListHeight = 312;

QTreeWidgetItem* NewRow(const ChapterTreeNode& node) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, QString::fromStdString(node.name));
  if (node.IsChapter()) {
    for (int column = 0; column < 4; ++column)
      item->setText(column + 1,
                    QString::fromStdString(node.columns[static_cast<std::size_t>(column)]));
  }
  return item;
}

}  // namespace

CreatorEditDlg::CreatorEditDlg(AppContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      tree_(std::make_unique<ChapterTree>(context.Project())),
      widgets_(std::make_unique<Widgets>()) {
  setObjectName("CreatorEditDlg");
  Widgets& w = *widgets_;
  w.caption = new QLabel(QStringLiteral("Edit & Preview"), this);
  w.caption->setTextFormat(Qt::PlainText);
  QFont heading = w.caption->font();
  heading.setBold(true);
  heading.setPixelSize(18);
  w.caption->setFont(heading);
  w.caption->setGeometry(kMargin, 12, 400, 28);

  w.list = new QTreeWidget(this);
  w.list->setObjectName("1033");
  w.list->setColumnCount(5);
  w.list->setHeaderLabels({QStringLiteral("Music Title"), QStringLiteral("Play Time"),
                           QStringLiteral("Lyric File"), QStringLiteral("Background Picture"),
                           QStringLiteral("Audio File")});
  w.list->setGeometry(kMargin, kListTop, kPageWidth - 2 * kMargin, kListHeight);
  w.list->setRootIsDecorated(true);

  w.totals = new QLabel(this);
  w.totals->setObjectName("1092");
  w.totals->setGeometry(kMargin, kListTop + kListHeight + 8, 560, 24);

  w.stop = new QPushButton(QStringLiteral("Stop"), this);
  w.stop->setObjectName("1040");
  w.stop->setGeometry(kPageWidth - kMargin - 96, kListTop + kListHeight + 8, 96, 28);
  connect(w.stop, &QPushButton::clicked, this, [this] { StopPreview(); });
}

CreatorEditDlg::~CreatorEditDlg() = default;

void CreatorEditDlg::Initialize() { Refresh(); }

void CreatorEditDlg::Reset() {
  StopPreview();
  tree_->Clear();
  ProjectDocument& project = context_.Project();
  project.ClearCells();
  project.SetTitleCellTotalNum(0);
  context_.Conversion().RemoveAllItems();
  modified_ = false;
  Refresh();
}

bool CreatorEditDlg::RebuildTree() {
  tree_->Clear();
  carrowell::ConversionSourceList sources(context_.Conversion());
  const RebuildResult result = RebuildChapterTree(context_.Project(), *tree_, sources);
  Refresh();
  return result.all_added;
}

void CreatorEditDlg::EnterPage(bool whole_project_preview) {
  if (whole_project_preview && context_.Project().CellCount() > 0) {
    whole_project_preview_ = true;
    current_chapter_ = 0;
  }
  Refresh();
}

void CreatorEditDlg::StopPreview() {
  whole_project_preview_ = false;
  current_chapter_ = -1;
  Refresh();
}

int CreatorEditDlg::RowCount() const {
  return static_cast<int>(tree_->Rows().size()) - 1;
}

void CreatorEditDlg::Refresh() {
  Widgets& w = *widgets_;
  w.list->clear();
  const ChapterTreeNode& root = tree_->Root();
  auto* root_item = new QTreeWidgetItem;
  root_item->setText(0, QString::fromLatin1(ChapterTree::kRootCaption));
  w.list->addTopLevelItem(root_item);
  for (const auto& title : root.children) {
    QTreeWidgetItem* title_item = NewRow(*title);
    root_item->addChild(title_item);
    for (const auto& chapter : title->children) title_item->addChild(NewRow(*chapter));
    title_item->setExpanded(title->expanded);
  }
  root_item->setExpanded(true);

  ProjectDocument& project = context_.Project();
  const int size_mb = project.EstimateProjectSizeMB(project.Header().AudioSampleRate);
  w.totals->setText(QString::fromStdString(
      TotalsText(size_mb, tree_->TitleCount(), project.CellCount())));
  w.stop->setEnabled(whole_project_preview_);
}

}  // namespace verosa
