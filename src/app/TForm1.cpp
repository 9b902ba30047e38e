#include "TForm1.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Talvoro CCP"));
    resize(940, 595);
    ListView1 = new QTableView(this);
    auto *model = new QStandardItemModel(0, 8, ListView1);
    const char *captions[] = {"CodePTT+Agence", "Compte", "CLE/RIP", "Net", "Rendement",
                              "NumAss", "NomPrenom", "TypeContrat"};
    for (int c = 0; c < 8; ++c)
        model->setHeaderData(c, Qt::Horizontal, QString::fromUtf8(captions[c]));
    ListView1->setModel(model);
    setCentralWidget(ListView1);
}
