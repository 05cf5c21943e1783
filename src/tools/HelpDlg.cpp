#include "tools/HelpDlg.h"

#include "dialogkit/DialogTemplate.h"

#include <QLabel>
#include <QPushButton>

namespace {

using dlg::Kind;

// The help box, 280 x 262 dialog units.
const dlg::Item kTemplate[] = {
        {CHelpDlg::IdText, Kind::Text, nullptr, 10, 8, 260, 226, dlg::WordWrap},
        {CHelpDlg::IdOk, Kind::DefPushButton, u"OK", 214, 240, 56, 16, dlg::TabStop | dlg::Group},
};

} // namespace

QString CHelpDlg::Text()
{
    return QStringLiteral(
            "ギャンブルのことで困ったときは、ひとりで抱えずに相談できます。"
            "本人だけでなく、家族や身近な人も相談できます。"
            "公的な窓口では、無料で、秘密を守って相談に応じています。\n"
            "\n"
            "・精神保健福祉センター\n"
            "　各都道府県と政令指定都市にあります。ギャンブルの問題について相談でき、"
            "回復のためのプログラムや家族向けの教室を行っているところもあります。\n"
            "\n"
            "・保健所\n"
            "　身近な地域の相談窓口です。保健師などに相談でき、"
            "必要に応じて医療機関や支援の場を紹介してもらえます。\n"
            "\n"
            "・自助グループ\n"
            "　GA (ギャンブラーズ・アノニマス): ギャンブルの問題を持つ人どうしが集まり、"
            "経験を分かち合うグループです。\n"
            "　ギャマノン: ギャンブルの問題を持つ人の家族や友人のためのグループです。\n"
            "\n"
            "・自己申告・家族申告プログラム\n"
            "　パチンコ・パチスロのお店の仕組みです。本人の申告で、1日に使う金額や"
            "ひと月に来店する回数などの上限を決められます。家族からの申告を受け付ける"
            "仕組みもあります。対応しているかどうかは、お店でお尋ねください。\n"
            "\n"
            "電話番号や住所は変わることがあるため、ここには載せていません。"
            "お住まいの地域の名前と窓口の名前で調べるか、市区町村の窓口でお尋ねください。");
}

CHelpDlg::CHelpDlg(QWidget *owner)
    : QDialog(owner)
{
    setWindowTitle(QStringLiteral("相談窓口"));
    setModal(true);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    const dlg::Controls controls = dlg::Build(this, kTemplate, units);
    setFixedSize(dlg::ToPixels(units, 280, 262));

    auto *text = controls.get<QLabel>(IdText);
    text->setText(Text());
    // Readable line by line with the keyboard, and so by a screen reader.
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setFocusPolicy(Qt::StrongFocus);
    text->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    m_text = text;
    auto *ok = controls.get<QPushButton>(IdOk);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    m_ok = ok;
    ok->setFocus(Qt::OtherFocusReason);
}

QWidget *CHelpDlg::control(ControlId id) const
{
    return id == IdText ? m_text : id == IdOk ? m_ok : nullptr;
}
