#include "compose/Fortune.h"

#include "core/random/Random.h"

#include <cmath>

namespace ricorne {

// The spaces after the first "★★★" and after "♪）" are ideographic (U+3000); the one after
// "この占いは" is an ordinary space.
QString FortuneHeader() {
    return QStringLiteral(u"★★★　この占いは "
                          u"アトランダムにチョイスしたものです（だからこそ占い♪）　送信者にも内容は判りません"
                          u"ので、あしからず・・・当たるも八卦、当たらぬも八卦。★★★");
}

// Text 7 ends with an ideographic space; texts 1, 2 and 11 have one after their first
// exclamation mark(s).
const QStringList& FortuneTexts() {
    static const QStringList texts = {
        QStringLiteral(u"大吉：万事に良し！　慎重さを忘れず、尚かつアクティブに行動すれば、これまで停滞してい"
                       u"た問題が次々と解決されて行きます。"),
        QStringLiteral(
            u"大吉：思わぬ金運！！　浪費せず生きたお金の使い方を心がければ、これからも金運が上昇！"),
        QStringLiteral(u"大吉：人間関係に好転あり。誤解から生じていた軋轢（あつれき）も解消し、お互いが良く見"
                       u"えるようになって行きます。"),
        QStringLiteral(
            u"中吉：正しく可もなく不可もなし。凶事のなきことを素直に喜ぶべし。そうすれば尚運が開けます。"),
        QStringLiteral(u"中吉：ほのぼの、小さな幸福感を味わえる一日。その満足を他人にも分け与えれば、明日は更"
                       u"に運気アップ！"),
        QStringLiteral(u"中吉：万事スムーズ。しかし油断をすればたちまちにして運気下降。恐れぬことも大事ではあ"
                       u"るが、謙虚さを忘れずに判断・行動をすべし。"),
        QStringLiteral(u"中吉：両親からの教えを胸に刻んで行動すれば、意外なほどの好調に思わずニンマリ！　"),
        QStringLiteral(u"中吉：ショッピングでのストレス発散が好転の契機となる。それでも浪費に注意。本当に必要"
                       u"な物に限定すべし。"),
        QStringLiteral(
            u"吉：あなたの人柄で救われる局面有り。友人を大切にすれば、思わぬ人と再会するでしょう。"),
        QStringLiteral(u"吉：紛失していたにもかかわらず気づいてなかった品物が、突然手元に戻ってきます。忘れて"
                       u"いたけど、案外大切なもの・・・物とは限りません。"),
        QStringLiteral(u"凶：鬼門「北東」注意！　部屋の北東に一掴みの盛り塩をし、お世話になった人たちに感謝の"
                       u"意を心に強く念じれば、吉に転じます。"),
        QStringLiteral(u"凶：言動慎むべし。最大の配慮がなければ、運気、万事下降するおそれ有り。"),
    };
    return texts;
}

int PickFortune() {
    Random& random = Random::Shared();
    random.SeedFromClock();
    const double x = random.Next();
    // x < 1, so 12x + 1 < 13; clamp anyway so a rounding surprise can never index past 12.
    const int n = static_cast<int>(std::floor(12.0 * x + 1.0));
    return n < 1 ? 1 : (n > 12 ? 12 : n);
}

QString WithFortune(const QString& body, int n) {
    const QString breaks = QStringLiteral("\r\n\r\n");
    return body + breaks + FortuneHeader() + breaks + FortuneTexts().at(n - 1);
}

} // namespace ricorne
