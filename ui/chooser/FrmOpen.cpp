// FrmOpen: the chooser's steps: drive change, folder change, file selection, OK and cancel.
#include "ui/chooser/FrmOpen.h"

#include "engine/path_rules.h"

namespace velbrisk::ui {

namespace {

// An absolute path without "." or "..", and without a trailing separator unless it is a root.
std::string cleanFolder(const std::string& folder) {
    return chooser::normalPath(absolutePath(folder, os::currentFolder()));
}

}  // namespace

FrmOpen::FrmOpen(ChooserView& view, MessageBoxes& boxes,
                 std::function<void(const std::string&)> chosen, std::string currentFolder,
                 VolumeSource volumeSource)
    : view_(view),
      boxes_(boxes),
      chosen_(std::move(chosen)),
      currentFolder_(cleanFolder(currentFolder)),
      volumeSource_(std::move(volumeSource)) {}

void FrmOpen::Form_Load() {
    volumes_ = volumeSource_(currentFolder_);
    const std::string currentRoot = chooser::volumeRootOf(currentFolder_);
    std::vector<std::string> entries;
    int current = volumes_.empty() ? -1 : 0;
    for (const chooser::Volume& volume : volumes_) {
        if (volume.root == currentRoot) {
            current = int(entries.size());
        }
        entries.push_back(chooser::volumeText(volume));
    }
    drive_ = current;
    view_.showDrives(entries, current);

    // The current folder may have gone or become unreadable since the process moved there; the
    // list then opens at the root of its volume, or at the system's root.
    if (!openFolder(currentFolder_) &&
        !(current >= 0 && openFolder(volumes_[std::size_t(current)].root))) {
        openFolder(chooser::rootOf(currentFolder_));
    }
}

bool FrmOpen::openFolder(const std::string& folder) {
    const std::string target = cleanFolder(folder);
    if (!folder_.empty() && target == folder_) {
        return true;
    }
    const std::optional<std::vector<std::string>> children = chooser::subfolders(target);
    if (!children) {
        return false;
    }
    const std::vector<std::string> chain = chooser::folderChain(target);
    std::vector<ChooserView::FolderEntry> entries;
    folderEntries_.clear();
    for (std::size_t depth = 0; depth < chain.size(); ++depth) {
        entries.push_back({chooser::folderEntryText(chain[depth]), int(depth), true});
        folderEntries_.push_back(chain[depth]);
    }
    for (const std::string& name : *children) {
        entries.push_back({name, int(chain.size()), false});
        folderEntries_.push_back(chooser::joinPath(target, name));
    }
    folder_ = target;
    view_.showFolders(entries, int(chain.size()) - 1);
    Dir1_Change();
    return true;
}

void FrmOpen::Drive1_Change(int index) {
    // Picking the drive already shown leaves the folder list where the user walked to. A volume
    // that cannot be read leaves both lists where they were, with no message; the drive list
    // keeps showing the volume just picked.
    if (index < 0 || std::size_t(index) >= volumes_.size() || index == drive_) {
        return;
    }
    drive_ = index;
    openFolder(chooser::startFolderOn(volumes_[std::size_t(index)].root, currentFolder_));
}

void FrmOpen::Dir1_DblClick(int row) {
    if (row >= 0 && std::size_t(row) < folderEntries_.size()) {
        openFolder(folderEntries_[std::size_t(row)]);
    }
}

bool FrmOpen::Dir1_KeyDown(int keyCode, int row) {
    if (keyCode != kKeyReturn) {
        return false;
    }
    Dir1_DblClick(row);
    return true;
}

void FrmOpen::Dir1_Change() {
    // If the files cannot be read although the folders could, the file list keeps its listing
    // and its own path, so a selection in it still names a file that it shows.
    std::optional<std::vector<std::string>> names = chooser::exeFiles(folder_);
    if (!names) {
        return;
    }
    listing_ = folder_;
    files_ = std::move(*names);
    view_.showFiles(files_);
}

void FrmOpen::File1_Click(int row) {
    if (row < 0 || std::size_t(row) >= files_.size()) {
        return;
    }
    view_.setPathText(chooser::joinPickedFile(folder_, listing_, files_[std::size_t(row)]));
}

void FrmOpen::File1_DblClick(int row) {
    File1_Click(row);
}

bool FrmOpen::File1_KeyDown(int keyCode, int row) {
    if (keyCode != kKeyReturn) {
        return false;
    }
    File1_Click(row);
    return true;
}

void FrmOpen::Command1_Click() {
    const std::string path = view_.pathText();
    if (path.empty()) {
        boxes_.showMessage({MessageIcon::Error, "选择", "请选择一个EXE文件！"});
        return;
    }
    if (chosen_) {
        chosen_(path);
    }
    view_.close(true);
}

void FrmOpen::Command2_Click() {
    view_.close(false);
}

}  // namespace velbrisk::ui
