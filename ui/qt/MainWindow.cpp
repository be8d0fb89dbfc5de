// The main window in Qt: FrmMain's layout drawn with widgets, and what the logic asks of it.
#include "ui/qt/MainWindow.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "resources/Pictures.h"
#include "ui/qt/ChooserDialog.h"
#include "ui/qt/LinkLabel.h"
#include "ui/qt/QtTwips.h"

namespace velbrisk::ui::qt {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QColor qtColour(Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

// Mouse moves stay with the control under the pointer: one that does not colour the links must
// not hand the move on to the form beneath it, whose own handler would.
void keepMovesHere(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->setAttribute(Qt::WA_NoMousePropagation);
}

void paint(QWidget* widget, QPalette::ColorRole role, Rgb colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, qtColour(colour));
    widget->setPalette(palette);
}

// Labels are placed by their top-left corner and then size themselves to their text, so the
// width and height that the layout gives them are only what they were drawn at; but they never
// reach past `most`. A line of the font taller than the room keeps its letters whole, as the
// label centres it.
void placeLabel(QLabel* label, const TwipsRect& drawn, QSize most) {
    label->setGeometry(qtRect(drawn));
    label->adjustSize();
    label->resize(label->size().boundedTo(most));
}

template <typename Widget>
Widget* make(QWidget* parent, const main_window::Control& control) {
    auto* widget = new Widget(parent);
    widget->setObjectName(fromUtf8(control.name));
    widget->setGeometry(qtRect(control.place));
    return widget;
}

}  // namespace

MainWindow::MainWindow(Seams seams, const std::string& commandFile)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      ownBoxes_(seams.boxes ? nullptr : std::make_unique<QtMessageBoxes>(this)),
      boxes_(seams.boxes ? *seams.boxes : *ownBoxes_),
      openAddress_(std::move(seams.openAddress)),
      jobView_(this),
      logic_(*this, jobView_, boxes_, seams.progressDelay) {
    build();
    logic_.Form_Load(commandFile);
}

MainWindow::~MainWindow() = default;

void MainWindow::build() {
    using namespace main_window;
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QString::fromStdString(main_window::windowTitle()));
    setWindowIcon(resources::windowIcon());
    setFixedSize(twips(kClientWidth), twips(kClientHeight));
    setAutoFillBackground(true);
    paint(this, QPalette::Window, kBackground);

    const auto room = [](const Control& label) {
        return QSize(QWIDGETSIZE_MAX, roomBelow(label, kDefaultDpi));
    };
    Label1 = make<QLabel>(this, main_window::Label1);
    Label1->setText(fromUtf8(main_window::Label1.text));
    placeLabel(Label1, main_window::Label1.place, room(main_window::Label1));

    Text = make<QLineEdit>(this, main_window::Text);
    paint(Text, QPalette::Base, kLightGreen);

    Label2 = make<QLabel>(this, main_window::Label2);
    Label2->setText(fromUtf8(main_window::Label2.text));
    placeLabel(Label2, main_window::Label2.place, room(main_window::Label2));

    SaveText = make<QLineEdit>(this, main_window::SaveText);
    paint(SaveText, QPalette::Base, kLightGreen);

    const QCursor hand = resources::handCursor();
    for (std::size_t i = 0; i < kLinks.size(); ++i) {
        auto* link = make<LinkLabel>(this, kLinks[i]);
        link->setText(fromUtf8(kLinks[i].text));
        placeLabel(link, kLinks[i].place, room(kLinks[i]));
        paint(link, QPalette::WindowText, kLinkRest);
        link->setCursor(hand);
        links_[i] = link;
    }

    Frame1 = make<QFrame>(this, main_window::Frame1);
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setAutoFillBackground(true);
    paint(Frame1, QPalette::Window, kBackground);

    // The probe box lies below the client area: the user never sees it, but it keeps its place
    // in the focus chain, so Tab from the source box goes there first.
    Text1 = make<QPlainTextEdit>(this, main_window::Text1);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setTabChangesFocus(true);

    buildAboutPanel();

    setTabOrder(Text, Text1);
    setTabOrder(Text1, SaveText);

    connect(links_[kLinkLabel], &LinkLabel::clicked, this, [this] { logic_.Label_Click(); });
    connect(links_[kLinkLbl_Com], &LinkLabel::clicked, this, [this] { logic_.Lbl_Com_Click(); });
    connect(links_[kLinkLbl_Exit], &LinkLabel::clicked, this, [this] { logic_.Lbl_Exit_Click(); });
    connect(links_[kLinkLabel3], &LinkLabel::clicked, this, [this] { logic_.Label3_Click(); });

    // The six places whose mouse moves colour the links, and the controls that keep theirs.
    setMouseTracking(true);
    for (QWidget* source : {static_cast<QWidget*>(links_[0]), static_cast<QWidget*>(links_[1]),
                            static_cast<QWidget*>(links_[2]), static_cast<QWidget*>(links_[3]),
                            static_cast<QWidget*>(Text)}) {
        keepMovesHere(source);
        source->installEventFilter(this);
    }
    for (QWidget* quiet : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                           static_cast<QWidget*>(SaveText), static_cast<QWidget*>(Frame1)}) {
        keepMovesHere(quiet);
    }
    for (LinkLabel* about : Lbl_About) {
        keepMovesHere(about);
    }

    // Only the source box takes drops, and it hands them to the logic instead of letting the
    // line edit insert the dropped text.
    SaveText->setAcceptDrops(false);
    Text->setAcceptDrops(true);
}

void MainWindow::buildAboutPanel() {
    const QCursor hand = resources::handCursor();
    const auto entries = main_window::aboutEntries();
    // A long text stops short of the frame's border, which it would otherwise cover.
    const int inside = Frame1->contentsRect().right() + 1;
    for (int index = 0; index < main_window::kAboutCount; ++index) {
        const main_window::AboutEntry& entry = entries[std::size_t(index)];
        auto* label = new LinkLabel(QString::fromStdString(entry.text), Frame1);
        label->setObjectName(QStringLiteral("Lbl_About_%1").arg(index));
        placeLabel(label, entry.place,
                   QSize(inside - twips(entry.place.left),
                         main_window::aboutRoomBelow(index, kDefaultDpi)));
        if (entry.link) {
            label->setCursor(hand);
        }
        connect(label, &LinkLabel::clicked, this, [this, index] { logic_.Lbl_About_Click(index); });
        Lbl_About[std::size_t(index)] = label;
    }
}

std::string MainWindow::text() const {
    return Text->text().toStdString();
}

std::string MainWindow::saveText() const {
    return SaveText->text().toStdString();
}

void MainWindow::setText(const std::string& text) {
    Text->setText(QString::fromStdString(text));
}

void MainWindow::setBusyCursor(bool busy) {
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

void MainWindow::setTextEnabled(bool enabled) {
    Text->setEnabled(enabled);
}

void MainWindow::setLinkColour(int link, Rgb colour) {
    paint(links_.at(std::size_t(link)), QPalette::WindowText, colour);
}

void MainWindow::openAddress(const std::string& address) {
    if (openAddress_) {
        openAddress_(address);
    }
}

void MainWindow::openChooser(const std::function<void(const std::string&)>& chosen) {
    ChooserDialog dialog(boxes_, chosen);
    dialog.exec();
}

void MainWindow::quit() {
    QCoreApplication::exit(0);
}

void MainWindow::endProgram() {
    logic_.EndProgram();
}

}  // namespace velbrisk::ui::qt
