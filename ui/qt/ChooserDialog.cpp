// The file chooser in Qt: FrmOpen's layout drawn with widgets, and what the logic asks of it.
#include "ui/qt/ChooserDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>

#include "ui/qt/QtTwips.h"

namespace velbrisk::ui::qt {

namespace {

constexpr Qt::WindowFlags kToolWindow =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 8;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A window without an icon of its own would take the application's; a transparent one shows none.
QIcon noIcon() {
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

// Draws each folder entry shifted right by its depth, so the chain reads as a staircase down to
// the open folder with the subfolders one step further in.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex& index) {
        return index.data(kDepthRole).toInt() * kIndentPixels;
    }
};

template <typename Widget>
Widget* make(QWidget* parent, const chooser::Control& control) {
    auto* widget = new Widget(parent);
    widget->setObjectName(fromUtf8(control.name));
    widget->setGeometry(qtRect(control.place));
    return widget;
}

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

ChooserDialog::ChooserDialog(MessageBoxes& boxes, std::function<void(const std::string&)> chosen,
                             const std::string& currentFolder)
    : QDialog(nullptr, kToolWindow),
      Drive1(make<QComboBox>(this, chooser::Drive1)),
      Dir1(make<QListWidget>(this, chooser::Dir1)),
      File1(make<QListWidget>(this, chooser::File1)),
      Text1(make<QLineEdit>(this, chooser::Text1)),
      Command1(make<QPushButton>(this, chooser::Command1)),
      Command2(make<QPushButton>(this, chooser::Command2)),
      logic_(*this, boxes, std::move(chosen), currentFolder) {
    setWindowTitle(fromUtf8(chooser::kTitle));
    setWindowIcon(noIcon());
    setFixedSize(twips(chooser::kClientWidth), twips(chooser::kClientHeight));
    Command1->setText(fromUtf8(chooser::Command1.text));
    Command2->setText(fromUtf8(chooser::Command2.text));

    // A QDialog would otherwise make a push button its default, and Enter anywhere would press it.
    for (QPushButton* button : {Command1, Command2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    Dir1->setSelectionMode(QAbstractItemView::SingleSelection);
    Dir1->setItemDelegate(new IndentDelegate(Dir1));
    File1->setSelectionMode(QAbstractItemView::SingleSelection);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text1);

    connect(Dir1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { logic_.Dir1_DblClick(Dir1->row(item)); });
    // A click on a new entry both changes the selection and clicks; the selection step runs
    // twice then, which is harmless as it only writes the same path again. Clicking the entry
    // that is already selected must fill the path again, which only the click signal reports.
    connect(File1, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = File1->selectedItems();
        if (!selected.isEmpty()) {
            logic_.File1_Click(File1->row(selected.first()));
        }
    });
    connect(File1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { logic_.File1_Click(File1->row(item)); });
    connect(File1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { logic_.File1_DblClick(File1->row(item)); });
    connect(Command1, &QPushButton::clicked, this, [this] { logic_.Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { logic_.Command2_Click(); });
    Dir1->installEventFilter(this);
    File1->installEventFilter(this);

    // Every pick of a volume by the user, the one shown too; filling the list is none.
    connect(Drive1, &QComboBox::activated, this, [this](int index) { logic_.Drive1_Change(index); });
    logic_.Form_Load();
    Drive1->setFocus();
}

ChooserDialog::~ChooserDialog() = default;

void ChooserDialog::showDrives(const std::vector<std::string>& entries, int current) {
    Drive1->clear();
    for (const std::string& entry : entries) {
        Drive1->addItem(QString::fromStdString(entry));
    }
    Drive1->setCurrentIndex(current);
}

void ChooserDialog::showFolders(const std::vector<FolderEntry>& entries, int current) {
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    Dir1->clear();
    for (const FolderEntry& entry : entries) {
        auto* item =
            new QListWidgetItem(entry.open ? openIcon : closedIcon, QString::fromStdString(entry.text), Dir1);
        item->setData(kDepthRole, entry.depth);
    }
    Dir1->setCurrentRow(current);
}

void ChooserDialog::showFiles(const std::vector<std::string>& names) {
    File1->clear();
    for (const std::string& name : names) {
        File1->addItem(QString::fromStdString(name));
    }
}

std::string ChooserDialog::pathText() const {
    return Text1->text().toStdString();
}

void ChooserDialog::setPathText(const std::string& text) {
    Text1->setText(QString::fromStdString(text));
}

void ChooserDialog::close(bool accepted) {
    done(accepted ? QDialog::Accepted : QDialog::Rejected);
}

// A key in a list goes to the logic with the list's highlighted entry; one that the logic takes
// goes no further, so it never reaches the dialog.
bool ChooserDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == Dir1 || watched == File1)) {
        const int key = isEnter(static_cast<QKeyEvent*>(event)) ? kKeyReturn : 0;
        if (watched == Dir1 ? logic_.Dir1_KeyDown(key, Dir1->currentRow())
                            : logic_.File1_KeyDown(key, File1->currentRow())) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ChooserDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    // A button that has the focus takes Enter as a click; from any other control Enter is
    // swallowed here so that it confirms nothing.
    if (isEnter(event)) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ChooserDialog::closeEvent(QCloseEvent* event) {
    // QDialog would turn the close box into reject(); the logic's cancel does the same, whatever
    // reject() and the key handling do.
    logic_.Command2_Click();
    event->accept();
}

}  // namespace velbrisk::ui::qt
