// FrmMain: the program's window: the source and output-name boxes, the command labels, the about
// frame, and the trimming job that the start command runs.
#pragma once

#include <QWidget>

#include "engine/trim.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace velbrisk::ui {

class LinkLabel;

class FrmMain : public QWidget {
    Q_OBJECT

public:
    explicit FrmMain(QWidget* parent = nullptr);

    // The folder part of the source path in `Text`, where the output is written.
    QString SourceFolder() const;

private slots:
    void Lbl_Com_Click();
    void Label3_Click();
    void Lbl_Exit_Click();
    void Label_Click();

private:
    // The job: the busy state, the scan and the copy, and the message that ends it.
    void StartCompress();
    static JobResult runJob(const std::string& sourcePath, const std::string& outputName);
    static JobResult WriteTrimmed(const TrimPlan& plan);
    void endJob(const JobResult& result);

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
};

}  // namespace velbrisk::ui
