// FrmMain: the program's window: the source and output-name boxes, the command labels, the about
// panel, and the trimming job that the start command runs.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <optional>

#include "engine/trim.h"

class QFrame;
class QLabel;
class QLineEdit;
class QMimeData;
class QMouseEvent;
class QPlainTextEdit;

namespace velbrisk::ui {

class JobRunner;
class LinkLabel;

class FrmMain : public QWidget {
    Q_OBJECT

public:
    explicit FrmMain(QWidget* parent = nullptr);

    // The folder part of the source path in `Text`, where the output is written.
    QString SourceFolder() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private slots:
    void Lbl_Com_Click();
    void Label3_Click();
    void Lbl_Exit_Click();
    void Label_Click();
    void Lbl_About_Click(int index);

private:
    // The job: the busy state, the scan and the copy, and the message that ends it.
    void StartCompress();
    JobResult runJob(JobRunner& runner, const std::string& sourcePath,
                     const std::string& outputName);
    bool confirmImageCut(const TrimPlan& plan);
    static JobResult WriteTrimmed(JobRunner& runner, const TrimPlan& plan);
    void endJob(const JobResult& result);

    void buildAboutPanel();

    // Mouse moves over the six places that colour the link labels; none reads the event.
    void Form_MouseMove(const QMouseEvent& event);
    void Label_MouseMove(const QMouseEvent& event);
    void Lbl_Com_MouseMove(const QMouseEvent& event);
    void Lbl_Exit_MouseMove(const QMouseEvent& event);
    void Label3_MouseMove(const QMouseEvent& event);
    void Text_MouseMove(const QMouseEvent& event);
    // The link labels rest in blue and turn red under the mouse.
    static inline const QColor kLinkRest{0, 0, 255};
    static inline const QColor kLinkHover{255, 0, 0};
    // Text colours for Label, Lbl_Com, Lbl_Exit and Label3, in that order; a label given no
    // colour keeps the one it has.
    void colourLinks(const std::array<std::optional<QColor>, 4>& colours);

    bool Text_DragEvent(QEvent* event);
    void Text_OLEDragDrop(const QMimeData& data);

    QLabel* Label1;
    QLineEdit* Text;
    QLabel* Label2;
    QLineEdit* SaveText;
    LinkLabel* Label;
    LinkLabel* Lbl_Com;
    LinkLabel* Lbl_Exit;
    LinkLabel* Label3;
    QFrame* Frame1;
    QPlainTextEdit* Text1;
    std::array<LinkLabel*, 7> Lbl_About{};
};

}  // namespace velbrisk::ui
