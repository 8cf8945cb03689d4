#include "help/helptext.h"

namespace cantora::help {

const char *helpText() {
    return R"(CANTORA - studio karaoke per Linux

Cantora suona i brani MIDI e karaoke (file .mid, .midi e .kar) attraverso i banchi di suoni SoundFont (file .sf2) e mostra il testo della canzone, pagina per pagina, a tempo con la musica.

APRIRE UN BRANO
Premere "Open MidiFile" e scegliere un file MIDI o karaoke. Il nome del file compare sul pulsante, la durata del brano compare accanto alla barra di posizione ("Time: 3:07") e il formato del file MIDI compare nell'etichetta del formato. Il brano non parte da solo: premere il pulsante Play.
Se il file non si puo' suonare compare il messaggio "Can't play the file" con il codice d'errore del motore audio.
Si puo' anche avviare il programma con un brano: cantora [--home CARTELLA] BRANO.kar apre il brano come se fosse stato scelto con "Open MidiFile".

SUONARE, PAUSA, STOP
Play avvia il brano. "Pause" lo ferma tenendo la posizione; Play lo fa ripartire da li'. Stop ferma il brano e libera il flusso audio: premendo di nuovo Play il brano viene ricostruito e ricomincia dall'inizio dopo circa due secondi, con gli strumenti e le impostazioni scelte per ogni canale.
Mentre il brano suona il pulsante "Open MidiFile" resta disattivato: per cambiare brano premere prima Stop.

LA BARRA DI POSIZIONE
La barra sotto i pulsanti segue il brano secondo per secondo. Trascinandola e rilasciandola il brano salta al punto scelto; gli strumenti di ogni canale vengono inviati di nuovo, cosi' gli strumenti cambiati restano anche dopo il salto. Quando nessun brano e' aperto, o quando il brano e' finito, la barra torna a zero.
Ogni mezzo secondo il programma aggiorna la posizione, i battiti al minuto (BPM, con un decimale) e il nome del SoundFont principale.

IL TESTO DEL KARAOKE
Il riquadro " Lyrics " al centro della finestra mostra il testo del brano. Il testo viene dagli eventi "lyric" del file quando ce ne sono almeno sei, altrimenti dagli eventi di testo quando ce ne sono almeno ventuno; altrimenti il brano non mostra testo.
La pagina cresce sillaba per sillaba mentre il brano suona e contiene al massimo tre righe: la quarta riga comincia una pagina nuova. Una sillaba che comincia con "\" comincia un nuovo paragrafo (pagina nuova); una che comincia con "/" o "<" va a capo; le righe che cominciano con "@" (titolo, lingua e simili) non vengono mostrate. Sotto la pagina compare l'ultima sillaba raggiunta, cosi' come e' scritta nel file.
Alla fine del brano la pagina si svuota.

I SOUNDFONT
Il SoundFont principale serve tutti gli strumenti. All'avvio il programma usa il file "Chorium.sf2" nella propria cartella, oppure il SoundFont salvato nella configurazione.
Il pulsante "SoundFont..." sostituisce il SoundFont principale per il brano aperto; la scelta vale fino al brano successivo, a meno di salvarla con "Save Configuration".
Ogni canale ha un pulsante "SF2" che assegna a quel canale un SoundFont proprio: il nuovo SoundFont suona solo lo strumento che il canale sta usando, gli altri canali restano sul SoundFont principale. Sul canale 10 (la batteria) il SoundFont scelto fornisce il suo kit di batteria. La scelta dei SoundFont parte dalla cartella dell'ultimo SoundFont scelto, o dalla cartella dei SoundFont del sistema (/usr/share/sounds/sf2).
L'elenco dei kit di batteria mostra i kit del SoundFont principale; un SoundFont senza kit di batteria da' un elenco vuoto.

IL MENU OPTIONS
"Mp3 Karaoke Editor" apre l'editor dei tag MP3.
"MidiEditor" avvierebbe un editor MIDI esterno, che questa versione non comprende: il programma lo segnala con un messaggio.
"LRC Creator" scrive il testo del brano in un file LRC; si puo' usare quando un brano e' aperto e non sta suonando.
"Save Configuration" salva nel file "config.tlm" il SoundFont principale, la frequenza di conversione e la cartella dell'ultimo SoundFont; al termine compare "Done!".
"Exit" chiude il programma (non e' disponibile mentre un brano suona).

I PULSANTI NON ANCORA ATTIVI
"Wave" (conversione in WAV), il pulsante MP3 (conversione in MP3 karaoke), "LRC" e "Reset Eq." sono presenti ma disattivati in questa versione.

STAMPA
Il pulsante di stampa di questa finestra stampa il file "leggimi.txt" della cartella del programma: prima compare il messaggio "Controllare la Stampante", poi la scelta della stampante.
)";
}

} // namespace cantora::help
