#ifndef PELMORA_TESTS_DIALOGWATCHER_H
#define PELMORA_TESTS_DIALOGWATCHER_H

// Answers every modal dialog that opens while it lives, so that no GUI test
// waits for a person: message boxes are recorded and closed; other dialogs
// are recorded and go to the next queued answer, else to `onDialog`, else
// they are rejected.

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

class DialogWatcher {
public:
    struct Box {
        QString title;
        QString text;
    };
    // What a dialog other than a message box showed when it opened.
    struct Dialog {
        QString objectName;
        QString title;
        QStringList nameFilters; // file dialogs
        bool saving = false;     // file dialogs
        QString label;           // input dialogs
        QString text;            // input dialogs: the text offered
        bool hasParent = false;
    };
    typedef std::function<void(QDialog*)> Answer;

    std::vector<Box> boxes;
    std::vector<Dialog> dialogs;
    std::deque<Answer> answers;
    Answer onDialog;

    DialogWatcher(void)
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this]() { answer(); });
        timer.start();
    }

    // Chooses `path` in a file dialog.
    static Answer chooseFile(const QString& path)
    {
        return [path](QDialog* dialog) {
            if (QFileDialog* files = qobject_cast<QFileDialog*>(dialog)) {
                files->selectFile(path);
                static_cast<QDialog*>(files)->done(QDialog::Accepted);
            } else {
                dialog->reject();
            }
        };
    }
    // Enters `text` in an input dialog.
    static Answer enterText(const QString& text)
    {
        return [text](QDialog* dialog) {
            if (QInputDialog* input = qobject_cast<QInputDialog*>(dialog)) {
                input->setTextValue(text);
                input->done(QDialog::Accepted);
            } else {
                dialog->reject();
            }
        };
    }
    static Answer cancel(void)
    {
        return [](QDialog* dialog) { dialog->reject(); };
    }

private:
    void answer(void)
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        if (QMessageBox* box = qobject_cast<QMessageBox*>(modal)) {
            boxes.push_back({ box->windowTitle(), box->text() });
            box->done(QMessageBox::Ok);
            return;
        }
        QDialog* dialog = qobject_cast<QDialog*>(modal);
        if (dialog == nullptr)
            return;
        Dialog seen;
        seen.objectName = dialog->objectName();
        seen.title = dialog->windowTitle();
        seen.hasParent = dialog->parentWidget() != nullptr;
        if (QFileDialog* files = qobject_cast<QFileDialog*>(dialog)) {
            seen.nameFilters = files->nameFilters();
            seen.saving = files->acceptMode() == QFileDialog::AcceptSave;
        }
        if (QInputDialog* input = qobject_cast<QInputDialog*>(dialog)) {
            seen.label = input->labelText();
            seen.text = input->textValue();
        }
        dialogs.push_back(seen);
        if (!answers.empty()) {
            const Answer next = answers.front();
            answers.pop_front();
            next(dialog);
        } else if (onDialog) {
            onDialog(dialog);
        } else {
            dialog->reject();
        }
    }
    QTimer timer;
};

#endif // PELMORA_TESTS_DIALOGWATCHER_H
