#pragma once
// A window's report engine component.

#include <QObject>
#include <functional>

class ReportComponent : public QObject
{
    Q_OBJECT
public:
    explicit ReportComponent(QObject *parent = nullptr) : QObject(parent) {}
    void setOnFetchRecord(std::function<void()> handler) { m_onFetchRecord = std::move(handler); }

private:
    std::function<void()> m_onFetchRecord;
};
