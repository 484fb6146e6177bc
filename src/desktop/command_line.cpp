#include "desktop/command_line.h"

#include <algorithm>
#include <cctype>

#include "output/output.h"

namespace {

// A whole number made of decimal digits only, within [low, high].
std::optional<int> ParseNumber(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char ch : text) {
        if (!std::isdigit(static_cast<unsigned char>(ch))) return std::nullopt;
        value = value * 10 + (ch - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

std::string UsageText() {
    // The laboratory's settings, from their table.
    std::string settings =
        "Réglages du laboratoire (--set NOM=VALEUR, virgule ou point décimal) :\n";
    for (const model::SettingInfo& row : model::SettingsTable())
        settings += "  " + row.Describe() + "\n";
    settings +=
        "  (fréquence s'écrit aussi frequence ; off est la seule façon d'enlever Usat ou U0)\n"
        "  Le modèle est intégré par Runge-Kutta d'ordre 4, pas de 0,1 ms au plus, raccourci\n"
        "  pour tomber sur les 16 instants lus à chaque image. La zone morte est un frottement\n"
        "  sec : le moteur arrêté reste retenu tant que |U| ≤ U0, en marche il est freiné.\n\n";
    return "Usage : table-tracante [--snapshot FICHIER.png] [--record FICHIER.gif] [ACTION]...\n"
           "\n"
           "Sans option, ouvre la fenêtre de l'animation « Table traçante ».\n"
           "\n"
           "  --snapshot FICHIER.png  construit la fenêtre sans l'afficher, applique les actions\n"
           "                          dans l'ordre donné, puis écrit l'image de la fenêtre\n"
           "                          (793 x 553 pixels, contrôles compris) au format PNG.\n"
           "  --record FICHIER.gif    même chose, et enregistre chaque top d'horloge comme une\n"
           "                          image d'un GIF animé (durée de chaque image : la période\n"
           "                          de l'horloge).\n"
           "  --csv FICHIER.csv       écrit l'expérience du laboratoire (scène 7) : une ligne\n"
           "                          par image, t (s), Ve, Vs, U (V), I (A), Omega (rad/s),\n"
           "                          position du crayon x (mm).\n"
           "  --results FICHIER.json  écrit la conclusion de l'expérience du laboratoire : sa\n"
           "                          classe (amorti, oscillation amortie, oscillation\n"
           "                          entretenue, divergence, au repos, bloqué), chaque mesure\n"
           "                          et chaque valeur théorique, l'unité dans le nom.\n"
           "  --help                  affiche cette aide.\n"
           "\n"
           "FICHIER « - » : la sortie standard. Un fichier ordinaire n'est remplacé qu'une fois\n"
           "entièrement écrit ; un périphérique ou un tube nommé est écrit tel quel.\n"
           "\n"
           "Actions (avec --snapshot ou --record) :\n"
           "  --ticks N      délivre N tops d'horloge (N de 0 à 100000).\n"
           "  --select I     sélectionne l'élément I du menu (0 à 6) et clique sur\n"
           "                 « Démarrer l'Animation » ; 7 lance le laboratoire.\n"
           "  --comments     clique sur le bouton de commentaire affiché, s'il y en a un.\n"
           "  --set NOM=VAL  règle le laboratoire, dès cet instant (voir ci-dessous).\n"
           "\n" +
           settings +
           "Éléments du menu : 0 Présentation, 1 Boucle ouverte, 2 Boucle fermée (G faible),\n"
           "3 Boucle fermée (G grand), 4 Instabilité, 5 Réponse trapézoïdale,\n"
           "6 Non-linéarité du moteur, 7 Laboratoire.\n"
           "\n"
           "Codes de sortie : 0 réussite ; 1 démarrage impossible ; 2 option ou valeur\n"
           "invalide (deux sorties vers le même fichier, --csv sans --select 7…) ; 3 écriture\n"
           "impossible (disque plein, permission, tube fermé, lien symbolique refusé…) ;\n"
           "128 + N interrompu par le signal N (130 Ctrl+C, 143 SIGTERM, 129 SIGHUP), sans\n"
           "laisser de fichier temporaire.\n"
           "\n"
           "Exemples : table-tracante --snapshot idle.png --ticks 2\n"
           "           table-tracante --snapshot - --ticks 2 > idle.png\n"
           "           table-tracante --record lecon.gif --ticks 2 --select 3 --ticks 159\n"
           "           table-tracante --snapshot labo.png --csv labo.csv --set G=16 --select 7 \\\n"
           "                          --ticks 159\n";
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error) {
    CommandLine cl;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = option.find('=');
            option.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = option.substr(eq + 1);
            option = option.substr(0, eq);
        }
        auto takeValue = [&](const char* what) -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= args.size()) {
                error = "l'option " + option + " attend " + what;
                return std::nullopt;
            }
            return args[++i];
        };

        const auto output = std::find_if(std::begin(kOutputOptions), std::end(kOutputOptions),
                                         [&](const OutputOption& o) { return option == o.option; });
        if (option == "--help" || option == "-h") {
            cl.help = true;
        } else if (output != std::end(kOutputOptions)) {
            const auto file = takeValue("un nom de fichier");
            if (!file) return std::nullopt;
            if (!(cl.*output->file).empty()) {
                error = "l'option " + option + " est donnée deux fois";
                return std::nullopt;
            }
            if (file->empty()) {
                error = "l'option " + option + " attend un nom de fichier non vide";
                return std::nullopt;
            }
            cl.*output->file = *file;
        } else if (option == "--ticks") {
            const auto text = takeValue("un nombre de tops (0 à 100000)");
            if (!text) return std::nullopt;
            const auto n = ParseNumber(*text, 0, kMaxTicks);
            if (!n) {
                error = "nombre de tops invalide pour --ticks : « " + *text +
                        " » (attendu : un entier de 0 à 100000)";
                return std::nullopt;
            }
            cl.actions.push_back({ScriptAction::Ticks, *n});
        } else if (option == "--select") {
            const auto text = takeValue("un numéro d'élément du menu (0 à 7)");
            if (!text) return std::nullopt;
            const auto n = ParseNumber(*text, 0, kLaboratory);
            if (!n) {
                error = "élément du menu invalide pour --select : « " + *text +
                        " » (attendu : un entier de 0 à 7)";
                return std::nullopt;
            }
            cl.actions.push_back({ScriptAction::Select, *n});
        } else if (option == "--set") {
            const auto text = takeValue("un réglage NOM=VALEUR");
            if (!text) return std::nullopt;
            model::Inputs check;
            if (!ApplySetting(*text, check, error)) return std::nullopt;
            cl.actions.push_back({ScriptAction::Set, 0, *text});
        } else if (option == "--comments") {
            if (inlineValue) {
                error = "l'option --comments ne prend pas de valeur";
                return std::nullopt;
            }
            cl.actions.push_back({ScriptAction::Comments, 0});
        } else {
            error = "option inconnue : « " + args[i] + " » (voir --help)";
            return std::nullopt;
        }
    }
    // Outputs that cannot all be written, refused before any work.
    const bool laboratory =
        std::any_of(cl.actions.begin(), cl.actions.end(), [](const ScriptAction& a) {
            return a.kind == ScriptAction::Select && a.value == kLaboratory;
        });
    for (auto o = std::begin(kOutputOptions); !cl.help && o != std::end(kOutputOptions); ++o) {
        const std::string& file = cl.*o->file;
        if (file.empty()) continue;
        if (o->needsLaboratory && !laboratory) {
            error = std::string(o->option) +
                    " : aucune expérience du laboratoire n'est lancée (--select 7)";
            return std::nullopt;
        }
        for (auto p = std::begin(kOutputOptions); p != o; ++p) {
            if (cl.*p->file != file) continue;
            error = file == "-" ? "une seule sortie peut écrire sur la sortie standard (-)"
                                : std::string(p->option) + " et " + o->option +
                                      " désignent le même fichier « " + QuotedName(file) + " »";
            return std::nullopt;
        }
    }
    if (!cl.help && !cl.Scripted() && !cl.actions.empty()) {
        error =
            "les actions --ticks, --select, --comments et --set demandent --snapshot FICHIER.png, "
            "--record FICHIER.gif, --csv FICHIER.csv ou --results FICHIER.json";
        return std::nullopt;
    }
    return cl;
}
