#include "TestAuthority.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <stdexcept>

namespace
{

void openssl(const QString &dir, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("openssl " + args.join(u' ').toStdString() +
                                 " failed: " + p.readAllStandardError().toStdString());
}

} // namespace

TestAuthority TestAuthority::create(const QString &dir)
{
    const QDir d(dir);
    QFile ext(d.filePath(QStringLiteral("server.ext")));
    if (!ext.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write server.ext");
    ext.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
              "keyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n");
    ext.close();
    const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"),
                         QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                         QStringLiteral("-nodes")};
    openssl(dir,
            QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
                QStringList{
                    QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                    QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-subj"), QStringLiteral("/CN=Talvoro Test Authority"),
                    QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                    QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign")});
    openssl(dir, QStringList{QStringLiteral("req")} + ec +
                     QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"),
                                 QStringLiteral("-out"), QStringLiteral("server.csr"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
    openssl(dir,
            {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
             QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
             QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
             QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
             QStringLiteral("server.ext"), QStringLiteral("-out"), QStringLiteral("server.pem")});
    return {d.filePath(QStringLiteral("ca.pem")), d.filePath(QStringLiteral("server.pem")),
            d.filePath(QStringLiteral("server.key"))};
}
