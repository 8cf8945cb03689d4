#include "help/helptext.h"

namespace cantora::help {

const char *helpText() {
    return R"help(CANTORA - studio karaoke per Linux

Cantora suona i brani MIDI e karaoke (file .mid, .midi e .kar) attraverso i banchi di suoni SoundFont (file .sf2) e mostra il testo della canzone, pagina per pagina, a tempo con la musica.

APRIRE UN BRANO
Premere "Open MidiFile" (oppure File > Open song..., Ctrl+O) e scegliere un file MIDI o karaoke; File > Recent songs riapre uno degli ultimi dieci brani. Si puo' anche trascinare un brano sulla finestra. Il nome del file compare sul pulsante, la durata del brano accanto alla barra di posizione e il formato del file MIDI nell'etichetta del formato. Il brano non parte da solo: premere Play.
Se il file non si puo' suonare compare il messaggio "Can't play the file" con il codice d'errore del motore audio.
Si puo' anche avviare il programma con un brano: cantora [--home CARTELLA] BRANO.kar apre il brano come se fosse stato scelto con "Open MidiFile".

SUONARE, PAUSA, STOP E I TASTI
Play avvia il brano. "Pause" lo ferma tenendo la posizione; Play lo fa ripartire da li'. Stop ferma il brano: premendo di nuovo Play il brano ricomincia dall'inizio, con gli strumenti e le impostazioni scelte per ogni canale.
Mentre il brano suona il pulsante "Open MidiFile" resta disattivato: per cambiare brano premere prima Stop.
Il menu Play e la tastiera fanno le stesse cose: Spazio suona o mette in pausa, S o Esc fermano il brano, Freccia sinistra e Freccia destra saltano indietro o avanti di cinque secondi, Freccia su e Freccia giu' alzano o abbassano la tonalita' di un semitono, + e - rendono il tempo piu' veloce o piu' lento. F1 apre questo aiuto.

LA BARRA DI POSIZIONE
La barra sotto i pulsanti segue il brano secondo per secondo. Trascinandola e rilasciandola il brano salta al punto scelto; gli strumenti scelti per ogni canale restano anche dopo il salto. Quando nessun brano e' aperto, o quando il brano e' finito, la barra torna a zero.
Ogni mezzo secondo il programma aggiorna la posizione, i battiti al minuto (BPM, con un decimale) e il nome del SoundFont principale.

IL TESTO DEL KARAOKE
Il riquadro " Lyrics " al centro della finestra mostra il testo del brano. Il testo viene dagli eventi "lyric" del file quando ce ne sono almeno sei, altrimenti dagli eventi di testo quando ce ne sono almeno ventuno; altrimenti il brano non mostra testo.
Nella vista classica la pagina cresce sillaba per sillaba mentre il brano suona e contiene al massimo tre righe: la quarta riga comincia una pagina nuova. Una sillaba che comincia con "\" comincia un nuovo paragrafo (pagina nuova); una che comincia con "/" o "<" va a capo; le righe che cominciano con "@" (titolo, lingua e simili) non vengono mostrate. Alla fine del brano la pagina si svuota.
Il menu View sceglie la vista: "Classic page" oppure "Sing-along", che mostra la riga da cantare colorandola sillaba per sillaba insieme alle righe che seguono. "Full screen lyrics" (F11) porta il testo a tutto schermo (Esc lo chiude); i colori del testo si scelgono nello stesso menu.

IL MIXER
Ogni canale del brano ha la sua striscia: volume, bilanciamento, riverbero e chorus, i pulsanti per zittire il canale o ascoltarlo da solo, l'elenco degli strumenti e la tonalita' del solo canale. Sopra i canali stanno il tempo, la tonalita' di tutto il brano (la batteria non cambia mai tonalita') e il volume del SoundFont. Il canale 10 suona la batteria: il suo elenco mostra i kit di batteria del SoundFont principale.
L'equalizzatore a sette bande e il compressore si accendono con le loro caselle; "Reset Eq." riporta tutte le bande a zero.

I SOUNDFONT
Il SoundFont principale serve tutti gli strumenti. All'avvio il programma usa il file "Chorium.sf2" nella propria cartella, oppure il SoundFont salvato nella configurazione.
Il pulsante "SoundFont..." sostituisce il SoundFont principale per il brano aperto; la scelta vale fino al brano successivo, a meno di salvarla con "Save Configuration".
Ogni canale ha un pulsante "SF2" che assegna a quel canale un SoundFont proprio: il nuovo SoundFont suona solo lo strumento che il canale sta usando, gli altri canali restano sul SoundFont principale. Sul canale 10 (la batteria) il SoundFont scelto fornisce il suo kit di batteria. La scelta dei SoundFont parte dalla cartella dell'ultimo SoundFont scelto, o dalla cartella dei SoundFont del sistema (/usr/share/sounds/sf2).
L'elenco dei kit di batteria mostra i kit del SoundFont principale; un SoundFont senza kit di batteria da' un elenco vuoto.

IL MENU OPTIONS
"Mp3 Karaoke Editor" apre l'editor dei tag MP3.
"MidiEditor" avvia l'editor MIDI indicato nelle preferenze (midi.editor) o nella variabile CANTORA_MIDI_EDITOR; se non ne trova nessuno lo dice con un messaggio.
"LRC Creator" scrive il testo del brano in un file LRC; si puo' usare quando un brano e' aperto e non sta suonando.
"Save Configuration" salva nel file "config.tlm" il SoundFont principale, la frequenza di conversione e la cartella dell'ultimo SoundFont; al termine compare "Done!".
"Exit" (Ctrl+Q) chiude il programma.

CONVERTIRE IL BRANO
"Wave" converte il brano aperto in un file WAV, con il tempo, la tonalita', gli strumenti e gli effetti scelti: al termine compare "Midi to Wave Done!" e si sceglie dove salvare il file.
Il pulsante MP3 converte il brano in un MP3 karaoke, con il testo del brano nei tag dell'MP3; la qualita' si sceglie nell'elenco dei preset.
Wave e MP3 sono pronti appena un brano e' aperto, anche se non e' mai stato suonato (non mentre suona). La frequenza (32000, 44100 o 48000 Hz) vale per il WAV e per l'MP3. "CD+G too (MP3+G)" scrive accanto all'MP3 il file ".cdg" con il testo che si colora sillaba per sillaba; "Normalise loudness" porta il WAV e l'MP3 a un volume uniforme. Durante la conversione, al posto di queste scelte compare il suo avanzamento. Senza un SoundFont utilizzabile Play, Wave e MP3 non partono e un messaggio dice come sceglierne uno.
"LRC" scrive il testo del brano con i suoi tempi nel file "SYNCRO.LRC" della cartella del programma.

L'EDITOR DEI TAG MP3
L'editor mostra e modifica titolo, artista, album, anno, commento, genere e testo di un file MP3. Il testo si sincronizza mentre l'MP3 suona: "Add" scrive il tempo trascorso all'inizio della riga del cursore e porta il cursore alla riga seguente; "Undo" toglie l'ultimo tempo scritto. "Save" scrive i tag nel file; la finestra del testo evidenzia in rosso la riga che si sta cantando.
Le modifiche appartengono al file su cui sono state fatte: aprendo un altro file, uscendo dall'editor o chiudendo il programma con modifiche non salvate, l'editor chiede se salvarle, scartarle o annullare. Un file senza audio MPEG (un WAV, un testo, un file vuoto) non viene aperto: un messaggio lo dice. "Fatto!" compare solo quando il file e' stato davvero scritto.

STAMPA
Il pulsante di stampa di questa finestra stampa il file "leggimi.txt" della cartella del programma: prima compare il messaggio "Controllare la Stampante", poi la scelta della stampante. Annullando la scelta della stampante non si stampa nulla.
)help";
}

} // namespace cantora::help
