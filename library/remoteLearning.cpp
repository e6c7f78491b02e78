#include "library/remoteLearning.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>

// ---- key lists ------------------------------------------------------------------------------

QString keyTemplateName(TKeyTemplate keyTemplate)
{
    switch (keyTemplate) {
    case TKeyTemplate::tv:
        return QStringLiteral("TV");
    case TKeyTemplate::receiver:
        return QStringLiteral("Receptor");
    case TKeyTemplate::airConditioner:
        break;
    }
    return QStringLiteral("Ar-condicionado");
}

namespace {

QStringList digitKeys()
{
    QStringList keys;
    for (int digit = 0; digit <= 9; ++digit)
        keys << QString::number(digit);
    return keys;
}

const QStringList arrowKeys {
    QStringLiteral("Cima"), QStringLiteral("Baixo"), QStringLiteral("Esquerda"), QStringLiteral("Direita")};

}  // namespace

QStringList templateKeys(TKeyTemplate keyTemplate)
{
    switch (keyTemplate) {
    case TKeyTemplate::tv:
        return QStringList {QStringLiteral("Liga/Desliga")} + digitKeys()
            + QStringList {QStringLiteral("Canal +"), QStringLiteral("Canal -"), QStringLiteral("Volume +"),
                QStringLiteral("Volume -"), QStringLiteral("Mudo"), QStringLiteral("Menu"), QStringLiteral("OK")}
        + arrowKeys + QStringList {QStringLiteral("Voltar"), QStringLiteral("Fonte")};
    case TKeyTemplate::receiver:
        return QStringList {QStringLiteral("Liga/Desliga")} + digitKeys()
            + QStringList {QStringLiteral("Canal +"), QStringLiteral("Canal -"), QStringLiteral("Volume +"),
                QStringLiteral("Volume -"), QStringLiteral("Mudo"), QStringLiteral("Guia"), QStringLiteral("Info"),
                QStringLiteral("Menu"), QStringLiteral("OK")}
        + arrowKeys + QStringList {QStringLiteral("Voltar"), QStringLiteral("Sair")};
    case TKeyTemplate::airConditioner:
        break;
    }
    return airConditionerKeys(airConditionerModes(), airConditionerFans(), airConditionerTemperatures());
}

QStringList airConditionerModes()
{
    return {QStringLiteral("Frio"), QStringLiteral("Quente"), QStringLiteral("Ventilar"), QStringLiteral("Seco"),
        QStringLiteral("Auto")};
}

QStringList airConditionerFans()
{
    return {QStringLiteral("Auto"), QStringLiteral("Baixa"), QStringLiteral("Média"), QStringLiteral("Alta")};
}

std::vector<int> airConditionerTemperatures()
{
    std::vector<int> temperatures;
    for (int t = 16; t <= 30; ++t)
        temperatures.push_back(t);
    return temperatures;
}

QStringList airConditionerKeys(const QStringList& modes, const QStringList& fans, const std::vector<int>& temperatures)
{
    QStringList keys;
    for (const QString& mode : modes)
        for (const QString& fan : fans)
            for (int t : temperatures)
                keys << QStringLiteral("%1 %2 %3°C").arg(mode.trimmed(), fan.trimmed()).arg(t);
    keys << QStringLiteral("Desliga");
    return keys;
}

QString checkKeyNames(const QStringList& keys)
{
    if (keys.isEmpty())
        return QStringLiteral("Nenhuma tecla para aprender.");
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i].trimmed().isEmpty() || keys[i].contains(QLatin1Char('\n')))
            return QStringLiteral("A tecla %1 não tem nome.").arg(i + 1);
        for (qsizetype j = 0; j < i; ++j)
            if (keys[j].trimmed().compare(keys[i].trimmed(), Qt::CaseInsensitive) == 0)
                return QStringLiteral("A tecla \"%1\" aparece mais de uma vez.").arg(keys[i].trimmed());
    }
    return {};
}

keyList_t typedKeyList(const QString& text)
{
    keyList_t list;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            list.keys << line.trimmed();
    list.error = checkKeyNames(list.keys);
    if (!list.error.isEmpty())
        list.keys.clear();
    return list;
}

QString remoteCodeName(const QString& remote, const QString& key)
{
    return remote.trimmed() + QLatin1Char(' ') + key.trimmed();
}

QString checkRemoteNames(const TSiteLibrary& library, const QString& remote, const QStringList& keys)
{
    if (remote.trimmed().isEmpty() || remote.contains(QLatin1Char('\n')))
        return QStringLiteral("Dê um nome ao controle.");
    if (const QString error = checkKeyNames(keys); !error.isEmpty())
        return error;
    QStringList taken;
    for (const QString& key : keys)
        if (const libraryCode_t* code = library.findCode(remoteCodeName(remote, key)))
            taken << QStringLiteral("\"%1\"").arg(code->name);
    if (taken.isEmpty())
        return {};
    return (taken.size() == 1 ? QStringLiteral("Já existe na biblioteca um código chamado %1.")
                              : QStringLiteral("Já existem na biblioteca códigos chamados %1."))
               .arg(taken.join(QStringLiteral(", ")))
        + QStringLiteral(" Escolha outro nome para o controle.");
}

// ---- two presses of one key ------------------------------------------------------------------

namespace {

QString protocolText(const QString& key)
{
    const auto protocol = irProtocolOfKey(key);
    return protocol ? QString::fromStdString(irProtocolName(*protocol)) : key;
}

QString hex(uint32_t value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

pressComparison_t differ(const QString& why)
{
    return {false, why};
}

pressComparison_t compareProtocols(const libraryProtocol_t& a, const libraryProtocol_t& b)
{
    if (a.name != b.name)
        return differ(
            QStringLiteral("protocolos diferentes (%1 e %2)").arg(protocolText(a.name), protocolText(b.name)));
    if (a.vendor != b.vendor)
        return differ(QStringLiteral("fabricantes diferentes (%1 e %2)").arg(hex(a.vendor), hex(b.vendor)));
    if (a.address != b.address)
        return differ(QStringLiteral("endereços diferentes (%1 e %2)").arg(hex(a.address), hex(b.address)));
    if (a.command != b.command)
        return differ(QStringLiteral("comandos diferentes (%1 e %2)").arg(hex(a.command), hex(b.command)));
    return {true, {}};
}

// The frame the analysis took, or the whole capture, without its closing space.
std::span<const uint16_t> comparedFrame(const libraryCode_t& code)
{
    std::span<const uint16_t> frame(code.captured);
    if (code.frameLength > 0 && code.frameLength <= frame.size())
        frame = frame.first(code.frameLength);
    if (frame.size() >= 2 && frame.size() % 2 == 0)
        frame = frame.first(frame.size() - 1);
    return frame;
}

bool withinTolerance(uint16_t a, uint16_t b)
{
    const int gap = std::abs(int(a) - int(b));
    return gap <= pressToleranceUnits || gap <= pressTolerance * std::max(a, b);
}

}  // namespace

pressComparison_t comparePresses(const libraryCode_t& first, const libraryCode_t& second)
{
    if (first.kind != second.kind)
        return differ(QStringLiteral("uma captura é IR e a outra RF"));
    if (first.kind == TCodeKind::ir && first.protocol && second.protocol)
        return compareProtocols(*first.protocol, *second.protocol);
    if (first.kind == TCodeKind::ir && first.carrier != second.carrier
        && std::abs(double(first.carrier) - double(second.carrier))
            > carrierTolerance * std::max(first.carrier, second.carrier))
        return differ(QStringLiteral("portadoras diferentes (%1 Hz e %2 Hz)").arg(first.carrier).arg(second.carrier));
    const std::span<const uint16_t> a = comparedFrame(first);
    const std::span<const uint16_t> b = comparedFrame(second);
    if (a.empty() && b.empty())
        return first.line == second.line ? pressComparison_t {true, {}} : differ(QStringLiteral("linhas diferentes"));
    if (a.size() != b.size())
        return differ(QStringLiteral("quantidades de durações diferentes (%1 e %2)").arg(a.size()).arg(b.size()));
    for (size_t i = 0; i < a.size(); ++i)
        if (!withinTolerance(a[i], b[i]))
            return differ(QStringLiteral("a duração %1 difere (%2 e %3)").arg(i + 1).arg(a[i]).arg(b[i]));
    return {true, {}};
}
