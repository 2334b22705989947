#pragma once

// Runs an application unattended for as long as it lives, with the lines of
// the unattended mode kept in memory instead of going to the real streams.

#include "host/impl/application.h"
#include "host/impl/unattendedmode.h"

#include <QBuffer>
#include <QByteArray>

namespace HostTest {

class UnattendedCapture final
{
public:
    explicit UnattendedCapture(Corvane::Host::Application &application)
        : m_application(application)
    {
        m_outputBuffer.open(QIODevice::WriteOnly);
        m_errorBuffer.open(QIODevice::WriteOnly);
        application.setUnattended(true);
        application.unattendedMode()->setStreams(&m_outputBuffer, &m_errorBuffer);
    }
    ~UnattendedCapture() { m_application.setUnattended(false); }
    Q_DISABLE_COPY_MOVE(UnattendedCapture)

    QByteArray output;
    QByteArray errors;

private:
    Corvane::Host::Application &m_application;
    QBuffer m_outputBuffer{&output};
    QBuffer m_errorBuffer{&errors};
};

} // namespace HostTest
