#include "app/FrmVersion.h"

#include "base/Twips.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <cmath>

namespace {
constexpr char kAuthor[] = "QUORVANT 開発チーム";
constexpr char kCompany[] = "クオルヴァント工房";
} // namespace

FrmVersion::FrmVersion(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FrmVersion"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setModal(false);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(QIcon(QStringLiteral(":/icons/quorvant.png")).pixmap(48, 48));
    picture->setGeometry(16, 16, 48, 48);

    for (int i = 0; i < 2; ++i) {
        L_title[i] = new QLabel(this);
        L_title[i]->setObjectName(QStringLiteral("L_title_%1").arg(i));
    }
    QFont big = L_title[0]->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    L_title[0]->setFont(big);
    L_title[0]->setGeometry(80, 14, 260, 34);
    L_title[1]->setGeometry(80, 54, 260, 44);
    L_title[1]->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command1->setGeometry(260, 108, 80, 28);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    setFixedSize(356, 148);
}

QString FrmVersion::versionText()
{
    return QStringLiteral("Ver.%1.%2.%3")
        .arg(QV_VERSION_MAJOR)
        .arg(QV_VERSION_MINOR)
        .arg(QV_VERSION_PATCH);
}

QString FrmVersion::versionLabelText()
{
    return versionText() + QLatin1Char('\n') + QString::fromUtf8(kAuthor) + QStringLiteral("（") +
           QString::fromUtf8(kCompany) + QStringLiteral("）");
}

void FrmVersion::ShowVer(const QString& title)
{
    L_title[0]->setText(title);
    L_title[1]->setText(versionLabelText());
    centreOnScreen();
    show();
    raise();
    activateWindow();
}

void FrmVersion::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const double dx = std::round(twips::fromPixels(area.width()) - twips::fromPixels(width()));
    const double dy = std::round(twips::fromPixels(area.height()) - twips::fromPixels(height()));
    const auto left = static_cast<long long>(dx) / 2;
    const auto top = static_cast<long long>(dy) / 2;
    move(area.left() + twips::toPixels(static_cast<double>(left)),
         area.top() + twips::toPixels(static_cast<double>(top)));
}
