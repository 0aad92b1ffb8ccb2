#pragma once
// The main window's file-open dialog component: its settings, run through the prompts.

#include "platform/Prompts.h"

#include <QObject>

class QWidget;

class FileOpenDialog : public QObject
{
    Q_OBJECT
public:
    explicit FileOpenDialog(QObject *parent = nullptr) : QObject(parent) {}

    OpenFileRequest request;

    // The chosen file's full path, or an empty string when the user cancelled.
    QString execute(QWidget *owner) const
    {
        return Prompts::current().openFileName(owner, request);
    }
};
