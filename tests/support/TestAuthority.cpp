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
    // A key and a certificate signed by the authority for one subject name.
    auto server = [&](const QString &name, const QString &altName) {
        QFile ext(d.filePath(name + QStringLiteral(".ext")));
        if (!ext.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write an .ext file");
        ext.write("subjectAltName=" + altName.toLatin1() +
                  "\nbasicConstraints=CA:FALSE\n"
                  "keyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n");
        ext.close();
        openssl(dir, QStringList{QStringLiteral("req")} + ec +
                         QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"),
                                     QStringLiteral("-out"), name + QStringLiteral(".csr"),
                                     QStringLiteral("-subj"), QStringLiteral("/CN=") + name});
        openssl(dir,
                {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                 name + QStringLiteral(".csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                 QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                 QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                 QStringLiteral("-extfile"), name + QStringLiteral(".ext"), QStringLiteral("-out"),
                 name + QStringLiteral(".pem")});
    };
    server(QStringLiteral("127.0.0.1"), QStringLiteral("IP:127.0.0.1"));
    server(QStringLiteral("elsewhere.invalid"), QStringLiteral("DNS:elsewhere.invalid"));
    return {d.filePath(QStringLiteral("ca.pem")), d.filePath(QStringLiteral("127.0.0.1.pem")),
            d.filePath(QStringLiteral("127.0.0.1.key")),
            d.filePath(QStringLiteral("elsewhere.invalid.pem")),
            d.filePath(QStringLiteral("elsewhere.invalid.key"))};
}
