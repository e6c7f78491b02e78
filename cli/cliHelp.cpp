// The help texts of `ondix`: the tool's, and one per command.
#include "cli/cliOptions.h"

namespace ondixcli {

namespace {

const char* const toolHelp = R"(Uso: ondix [opções] COMANDO [argumentos]

Configura e testa a Ondix pelo cabo USB ou pela rede.

Escolha da Ondix (sem nenhuma: a do cabo USB, se responder; senão a única achada na rede):
  --usb                      a Ondix no cabo USB
  --ip A.B.C.D               a Ondix neste endereço
  --mac AA:BB:CC:DD:EE:FF    procura na rede e usa a Ondix com este MAC
  --wait MS                  quanto a busca espera por respostas (100 a 60000; padrão 1000)

Biblioteca:
  --library ARQUIVO          a biblioteca do local (códigos, cópias RTS, unidades vistas);
                             com ela, os comandos que leem a Ondix anotam a unidade

Saída:
  --json                     dados em JSON
  -v, --verbose              cada quadro enviado e recebido, em hexadecimal, na saída de erro
  -h, --help                 esta ajuda; COMANDO --help: a ajuda do comando
  --version                  a versão

Comandos:
  list                       todas as Ondix: a do cabo e todas as que respondem na rede
  info                       identificação e parâmetros da Ondix
  settings get               lê os parâmetros de rede
  settings set [--ip A.B.C.D] [--mask A.B.C.D] [--gateway A.B.C.D] [--dhcp on|off] [--port N]
  clock get                  lê o relógio
  clock set --now | "AAAA-MM-DD HH:MM:SS"
  learn ir|rf [--raw|--rts] [--divisor 8|16|32] [--save NOME]
  send [LINHA]               envia a linha (sem LINHA: cada linha da entrada padrão)
  rts list | rts add somfy|tube | rts up|stop|down ID | rts delete ID
  rts backup | rts restore [--from AA:BB:CC:DD:EE:FF]
  library list | library import --format F --name NOME ARQUIVO|- | library export --format F NOME
  library send NOME
  generate tc2 --keys 1|2|3 | generate tl
  mac set AA:BB:CC:DD:EE:FF --force
  flash read ENDEREÇO QUANTIDADE --force
  firmware update --force

Dados na saída padrão, mensagens na saída de erro.

Códigos de saída:
  0  feito
  1  a Ondix não respondeu, ou respondeu errado
  2  uso errado ou valor recusado (nada foi enviado), ou a biblioteca recusada ou não gravada
  3  nenhuma Ondix encontrada, ou a escolha é ambígua
  4  porta UDP 4040 indisponível (o OndixSetup está aberto, ou outro ondix ou programa a usa)
)";

struct TCommandHelp {
    const char* name;
    const char* text;
};

const TCommandHelp commandHelp[] = {
    {"list", R"(Uso: ondix list [--json] [--wait MS]

Lista a Ondix do cabo USB, se responder, e todas as que respondem à busca em todas as
interfaces de rede, uma por linha, campos separados por tabulação:
  ligação (usb ou rede), IP, MAC, número de série, firmware, RF (rf ou -)
)"},
    {"info", R"(Uso: ondix [escolha] info [--json]

Identificação e parâmetros de rede da Ondix escolhida.
)"},
    {"settings", R"(Uso: ondix [escolha] settings get [--json]
     ondix [escolha] settings set [--ip A.B.C.D] [--mask A.B.C.D] [--gateway A.B.C.D]
                                  [--dhcp on|off] [--port N]

get lê os parâmetros de rede. set lê os parâmetros e grava de volta o que a Ondix tem,
com os campos dados trocados. Depois de "set", --ip é o novo endereço; para escolher a
Ondix pelo endereço, ponha --ip antes de "settings".
Endereços: quatro números de 0 a 255; porta: de 0 a 65535.
)"},
    {"clock", R"(Uso: ondix [escolha] clock get [--json]
     ondix [escolha] clock set --now
     ondix [escolha] clock set "AAAA-MM-DD HH:MM:SS"

get lê a data e a hora da Ondix; set acerta o relógio com a hora deste computador ou
com a hora local dada.
)"},
    {"learn", R"(Uso: ondix [escolha] learn ir [--raw] [--json] [--library ARQUIVO --save NOME]
     ondix [escolha] learn rf [--raw|--rts] [--divisor 8|16|32] [--json]
                              [--library ARQUIVO --save NOME]

Pede à Ondix que capture um código e escreve a linha de comando que o repete. A
contagem regressiva da espera aparece na saída de erro quando ela é um terminal.
--raw: todas as durações capturadas; --rts: linha sendrf_rc (só RF); --divisor: o
divisor da captura RF (padrão 16).
--save NOME: guarda o código na biblioteca com este nome (a linha, as durações
capturadas, a portadora e o protocolo IR, o MAC da Ondix). Um nome que já existe na
biblioteca é recusado antes de pedir a captura.
)"},
    {"send", R"(Uso: ondix [escolha] send [LINHA]

Envia a linha de comando à Ondix (pela rede: TCP na porta da Ondix; pelo cabo: a linha
e CR LF). Sem LINHA, envia cada linha da entrada padrão, uma por vez; linhas vazias são
ignoradas.
)"},
    {"rts", R"(Uso: ondix [escolha] rts list [--json]
     ondix [escolha] rts add somfy|tube [--json]
     ondix [escolha] rts up|stop|down ID
     ondix [escolha] rts delete ID [--library ARQUIVO]
     ondix [escolha] --library ARQUIVO rts backup [--json]
     ondix [escolha] --library ARQUIVO rts restore [--from AA:BB:CC:DD:EE:FF] [--json]

list lê a tabela de controles RTS. add envia a linha PROG de um controle novo, com um
identificador sorteado. up, stop e down acionam o controle. delete apaga o controle e
grava a tabela; com --library, a tabela é copiada antes para a biblioteca. ID: o
identificador do controle (0A-FF-00) ou o seu número na lista.
backup copia a tabela da Ondix para a biblioteca. restore grava de volta a cópia mais
recente desta Ondix (ou, com --from, a de outra Ondix): lê antes a tabela atual e nunca
baixa um código rotativo (o motor ignoraria o controle), mantém os controles pareados
depois da cópia e escreve uma linha por controle elevado ou mantido. Sem cópia na
biblioteca: código 2, nada é gravado.
)"},
    {"library", R"(Uso: ondix --library ARQUIVO library list [--json]
     ondix --library ARQUIVO library import --format FORMATO --name NOME ARQUIVO|-
                                            [--divisor 8|16|32]
     ondix --library ARQUIVO library export --format FORMATO [--parsed] NOME
     ondix [escolha] --library ARQUIVO library send NOME

A biblioteca do local, um arquivo JSON; import cria o arquivo quando ele não existe.
list: nome, IR ou RF, protocolo e data (hora local) de cada código.
import: lê o código do ARQUIVO (- para a entrada padrão) e o guarda como NOME. Um
arquivo que não se lê no formato é recusado com a linha e a coluna do erro, e a
biblioteca fica como estava. Um arquivo Flipper de vários sinais dá um código por
sinal, chamado "NOME sinal"; o de um só sinal, NOME.
export: escreve o código na saída padrão. --parsed (Flipper): sinal "parsed" quando o
protocolo é reconhecido; sem ela, sinal "raw", que volta na importação como a mesma linha.
send: envia a linha do código, como send.
FORMATO:
  pronto    Pronto Hex, forma aprendida (0000) (IR)
  gc        Global Caché sendir, 1:1 de um iTach (IR)
  irctl     microssegundos com sinal, como o ir-ctl do Linux (+9024 -4512 ...) (IR)
  flipper   arquivo .ir do Flipper (IR)
  line      a linha da Ondix: sendir (IR), sendrf ou sendrf_rc (RF)
  rfraw     durações RF na unidade da Ondix, uma por linha (RF); na importação,
            --divisor dá o divisor da linha (padrão 16)
)"},
    {"generate", R"(Uso: ondix generate tc2 --keys 1|2|3 [--json]
     ondix generate tl [--json]

Gera códigos RF novos, sorteados: tc2 para interruptores TC2 de 1, 2 ou 3 teclas (a
linha de gravação e uma linha por ação), tl para interruptores TL. Não usa a Ondix.
)"},
    {"mac", R"(Uso: ondix [escolha] mac set AA:BB:CC:DD:EE:FF --force

Grava o endereço MAC da Ondix. Operação de serviço: só com --force.
)"},
    {"flash", R"(Uso: ondix --usb flash read ENDEREÇO QUANTIDADE [--json] --force

Lê QUANTIDADE bytes (até 9990) da memória flash a partir de ENDEREÇO, números
decimais, pelo cabo USB. Operação de serviço: só com --force.
)"},
    {"firmware", R"(Uso: ondix --usb firmware update --force

Manda a Ondix do cabo USB iniciar a atualização de firmware; ela para de funcionar até
receber o firmware novo. Operação de serviço: só com --force.
)"},
};

}  // namespace

QString helpText(const QString& command)
{
    for (const TCommandHelp& help : commandHelp)
        if (command == QLatin1String(help.name))
            return QString::fromUtf8(help.text);
    return QString::fromUtf8(toolHelp);
}

}  // namespace ondixcli
