// FrmMain: the program's window: its layout, its commands and the trimming job they start.
#include "ui/qt/FrmMain.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QUrlQuery>
#include <optional>

#include "app/Module1.h"
#include "resources/Pictures.h"
#include "resources/ProductInfo.h"
#include "ui/Messages.h"
#include "ui/qt/QtTwips.h"
#include "ui/qt/FrmOpen.h"
#include "ui/qt/JobRunner.h"
#include "ui/qt/LinkLabel.h"

namespace velbrisk::ui {

namespace {

const QColor kLightYellow(255, 255, 192);
const QColor kLightGreen(192, 255, 192);

QString productName() {
    return QString::fromUtf8(product::kName);
}

// The about panel's two links: each opens the address that its label shows.
constexpr int kMailLink = 4;
constexpr int kHomePageLink = 6;

QUrl mailAddress() {
    // The subject goes through the URL's own encoding (UTF-8, percent-escaped), so that the
    // mail program decodes the Chinese words exactly.
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), productName() + QStringLiteral("用户来信"));
    QUrl address;
    address.setScheme(QStringLiteral("mailto"));
    address.setPath(QString::fromUtf8(product::kMail));
    address.setQuery(query);
    return address;
}

QUrl homePageAddress() {
    return QUrl(QString::fromUtf8(product::kHomePage));
}

// Mouse moves stay with the control under the pointer: one that does not colour the links must
// not hand the move on to the form beneath it, whose own handler would.
void keepMovesHere(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->setAttribute(Qt::WA_NoMousePropagation);
}

void paint(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// Labels are placed by their top-left corner and then size themselves to their text, so the
// width and height that the layout gives them are only what they were drawn at.
void placeLabel(QLabel* label, const QRect& drawn) {
    label->setGeometry(drawn);
    label->adjustSize();
}

QLineEdit* makeInputBox(QWidget* parent, const char* name, const QRect& place) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(place);
    paint(box, QPalette::Base, kLightGreen);
    return box;
}

}  // namespace

FrmMain::FrmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("%1 v%2  软件作者:%3")
                       .arg(productName(), QString::fromUtf8(product::kVersion),
                            QString::fromUtf8(product::kAuthor)));
    setWindowIcon(resources::windowIcon());
    setFixedSize(twips(6090), twips(2745));
    setAutoFillBackground(true);
    paint(this, QPalette::Window, kLightYellow);

    Label1 = new QLabel(QStringLiteral("将被压缩的文件：(可拖动到下面)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    placeLabel(Label1, twipsRect(120, 120, 2700, 180));

    Text = makeInputBox(this, "Text", twipsRect(120, 360, 5055, 270));

    Label2 = new QLabel(QStringLiteral("压缩文件名：(注意:不能与被压缩文件名相同！)"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    placeLabel(Label2, twipsRect(120, 720, 3870, 180));

    SaveText = makeInputBox(this, "SaveText", twipsRect(120, 960, 5055, 270));

    const QCursor hand = resources::handCursor();
    auto makeLink = [&](const char* name, const QString& text, const QRect& drawn) {
        auto* link = new LinkLabel(text, this);
        link->setObjectName(QLatin1String(name));
        placeLabel(link, drawn);
        paint(link, QPalette::WindowText, kLinkRest);
        link->setCursor(hand);
        return link;
    };
    Label = makeLink("Label", QStringLiteral("选择文件"), twipsRect(5280, 360, 720, 180));
    Lbl_Com = makeLink("Lbl_Com", QStringLiteral("开始压缩"), twipsRect(5280, 600, 720, 180));
    Lbl_Exit = makeLink("Lbl_Exit", QStringLiteral("退出程序"), twipsRect(5280, 840, 720, 180));
    Label3 = makeLink("Label3", QStringLiteral("使用帮助"), twipsRect(5280, 1080, 720, 180));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setGeometry(twipsRect(120, 1320, 5895, 1335));
    Frame1->setAutoFillBackground(true);
    paint(Frame1, QPalette::Window, kLightYellow);

    // The probe box lies below the client area: the user never sees it, but it keeps its place
    // in the focus chain, so Tab from the source box goes there first.
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(120, 3600, 5895, 270));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setTabChangesFocus(true);

    buildAboutPanel();

    setTabOrder(Text, Text1);
    setTabOrder(Text1, SaveText);

    connect(Label, &LinkLabel::clicked, this, &FrmMain::Label_Click);
    connect(Lbl_Com, &LinkLabel::clicked, this, &FrmMain::Lbl_Com_Click);
    connect(Lbl_Exit, &LinkLabel::clicked, this, &FrmMain::Lbl_Exit_Click);
    connect(Label3, &LinkLabel::clicked, this, &FrmMain::Label3_Click);

    // The six places whose mouse moves colour the links, and the controls that keep theirs.
    setMouseTracking(true);
    for (QWidget* source : {static_cast<QWidget*>(Label), static_cast<QWidget*>(Lbl_Com),
                            static_cast<QWidget*>(Lbl_Exit), static_cast<QWidget*>(Label3),
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

    // Only the source box takes drops, and it handles them itself (Text_OLEDragDrop) instead
    // of letting the line edit insert the dropped text.
    SaveText->setAcceptDrops(false);
    Text->setAcceptDrops(true);
}

void FrmMain::buildAboutPanel() {
    const auto fact = [](const char* value) { return QString::fromUtf8(value); };
    const std::array<QString, 7> texts = {
        QStringLiteral("软件名称:") + fact(product::kName),
        QStringLiteral("软件作者:") + fact(product::kAuthor),
        QStringLiteral("软件版本:v") + fact(product::kVersion),
        QStringLiteral("软件授权:") + fact(product::kLicense),
        QStringLiteral("作者邮箱:") + fact(product::kMail),
        fact(product::kMailProvider) + QStringLiteral("邮箱:") + fact(product::kSecondMail),
        QStringLiteral("作者主页:") + fact(product::kHomePage),
    };
    const QCursor hand = resources::handCursor();
    for (int index = 0; index < int(texts.size()); ++index) {
        // Two columns inside the frame: 0 to 3 on the left, 4 to 6 on the right.
        const bool left = index < 4;
        const int row = left ? index : index - 4;
        auto* label = new LinkLabel(texts[index], Frame1);
        label->setObjectName(QStringLiteral("Lbl_About_%1").arg(index));
        placeLabel(label, twipsRect(left ? 240 : 2640, 240 + 240 * row, 0, 180));
        if (index == kMailLink || index == kHomePageLink) {
            label->setCursor(hand);
        }
        connect(label, &LinkLabel::clicked, this, [this, index] { Lbl_About_Click(index); });
        Lbl_About[index] = label;
    }
}

QString FrmMain::SourceFolder() const {
    return QString::fromStdString(sourceFolder(Text->text().toStdString()));
}

void FrmMain::Lbl_Com_Click() {
    // Only emptiness is checked: a path of blanks goes to the job as typed.
    if (Text->text().isEmpty()) {
        showMessage(this,
                    {MessageIcon::Error, productName(), QStringLiteral("请先选择要压缩的文件！")});
        return;
    }
    if (SaveText->text().isEmpty()) {
        showMessage(this,
                    {MessageIcon::Error, productName(), QStringLiteral("请输入压缩文件名！")});
        return;
    }
    StartCompress();
}

void FrmMain::Label3_Click() {
    showMessage(this,
                {MessageIcon::Information, QStringLiteral("使用帮助"),
                 QStringLiteral("使用%1可以压缩掉EXE文件中的多余空白部分，从而使EXE文件体积减小。"
                                "压缩率根据被压缩文件所含空白空间的多少决定。"
                                "\n\n"
                                "如何压缩：选择要压缩的EXE文件，然后输入压缩文件名，单击“开始压缩”"
                                "即可开始压缩。你也可以将要压缩的文件拖动到“将被压缩的文件”下的输入"
                                "框中。")
                     .arg(productName())});
}

void FrmMain::Lbl_Exit_Click() {
    QCoreApplication::exit(0);
}

void FrmMain::Label_Click() {
    FrmOpen dialog(Text);
    dialog.exec();
}

void FrmMain::Lbl_About_Click(int index) {
    switch (index) {
        case kHomePageLink:
            Module1::openAddress(homePageAddress());
            break;
        case kMailLink:
            Module1::openAddress(mailAddress());
            break;
        default:
            break;
    }
}

void FrmMain::StartCompress() {
    setCursor(Qt::WaitCursor);
    Text->setEnabled(false);
    JobResult result;
    {
        // The runner holds the window's input off and closes its progress dialog when it goes,
        // before the message that ends the job.
        JobRunner runner(this);
        result = runJob(runner, Text->text().toStdString(), SaveText->text().toStdString());
    }
    endJob(result);
}

// The whole job, apart from the window's busy state and messages: the scan, the question about a
// Windows program's own bytes, and the copy, the first and last on the runner's worker thread.
JobResult FrmMain::runJob(JobRunner& runner, const std::string& sourcePath,
                          const std::string& outputName) {
    TrimPlan plan;
    const JobResult scanned = runner.run([&](const JobControl& control) {
        return scanSource(sourcePath, outputName, plan, control);
    });
    if (scanned.status != JobStatus::Done) {
        return scanned;
    }
    if (!confirmImageCut(plan)) {
        // The user said no and knows it: the job ends as a cancelled one, without a message.
        return JobResult{JobStatus::Cancelled, {}, {}};
    }
    return WriteTrimmed(runner, plan);
}

// A cut that reaches into bytes that a Windows program's own headers declare may leave a copy
// that does not run, or whose signature fails: the user decides before anything is written.
bool FrmMain::confirmImageCut(const TrimPlan& plan) {
    if (plan.imageBytesCut == 0) {
        return true;
    }
    return askYesNo(this,
                    {MessageIcon::Warning, productName(),
                     QStringLiteral("此文件是Windows程序，要去掉的空白中有%1字节属于程序自身的"
                                    "数据（节或数字签名）。这样生成的文件可能无法运行，或签名"
                                    "失效。是否仍要压缩？")
                         .arg(plan.imageBytesCut)});
}

JobResult FrmMain::WriteTrimmed(JobRunner& runner, const TrimPlan& plan) {
    return runner.run([&](const JobControl& control) { return writeTrimmed(plan, control); });
}

void FrmMain::endJob(const JobResult& result) {
    const QString path = QString::fromStdString(result.path);
    const QString reason = QString::fromStdString(result.reason);
    std::optional<Message> outcome;
    switch (result.status) {
        case JobStatus::Done:
            outcome = {MessageIcon::Information, productName(), QStringLiteral("压缩完毕！")};
            break;
        case JobStatus::NothingToCut:
            // Nothing was written, so the job must not claim to have compressed anything.
            outcome = {MessageIcon::Information, productName(),
                       QStringLiteral("该文件没有可以去掉的空白部分，未生成压缩文件。")};
            break;
        case JobStatus::SourceMissing:
            outcome = {MessageIcon::Error, productName(),
                       QStringLiteral("找不到要压缩的文件！\n") + path};
            break;
        case JobStatus::SourceUnreadable:
            outcome = {MessageIcon::Error, productName(),
                       QStringLiteral("无法读取被压缩文件！\n") + path + u'\n' + reason};
            break;
        case JobStatus::OutputUnwritable:
            outcome = {MessageIcon::Error, productName(),
                       QStringLiteral("无法写入压缩文件！\n") + path + u'\n' + reason};
            break;
        case JobStatus::SameFile:
            outcome = {MessageIcon::Error, productName(),
                       QStringLiteral("压缩文件不能与被压缩文件相同！")};
            break;
        case JobStatus::Cancelled:
            // The user stopped the job and knows it: nothing more to say.
            break;
    }
    unsetCursor();
    if (outcome) {
        showMessage(this, *outcome);
    }
    Text->setEnabled(true);
}

}  // namespace velbrisk::ui
