# The parts of README-Windows.txt that differ between the zip and the
# installed copy: KESTREL_README_<part>_<zip|installed>.

set(KESTREL_README_OPENING_zip [=[This zip holds:

  kestrel8.exe             the console (one window)
  kestrel8-repeaters.exe   turns a repeater table (CSV) into your list
  examples\                example station files to start from
  guide\                   the full guide, "Operating Kestrel8", and
                           the importer's manual, for your browser
  README-Windows.txt       this file

Nothing else needs to be installed: no runtime, no DLLs. If you prefer an
installer with Start-menu entries, use kestrel8-setup.exe instead.


1. Unzip into a folder of your own
----------------------------------

The console reads its settings from the folder it starts in and writes
them back there, so give your station a folder that is yours, for example
Documents\Kestrel8 (not Program Files, where programs may not write).

  - Right-click the zip, Properties: if there is an "Unblock" box, tick
    it and press OK. Then right-click, "Extract All...", and choose the
    folder.
  - Copy the five files from examples\ into that folder, next to
    kestrel8.exe:
      D-STAR_DV_config.txt           your station
      D-STAR_tranceiver_config.txt   your radio
      D-STAR_my_rpt.txt              your repeater
      D-STAR_repeaters.txt           the repeater list (fictional stations)
      D-STAR_reflectors.txt          reflectors to link to (optional)


]=])

set(KESTREL_README_OPENING_installed [=[The installer put it in your own profile, with no administrator rights
needed: each Windows user who runs it has a copy of their own.

  Programs     AppData\Local\Programs\Kestrel8 in your user folder:
               kestrel8.exe, kestrel8-repeaters.exe, examples\, guide\
               (the full guide, for your browser) and this file. The
               folder is on your PATH.
  Start menu   a folder "Kestrel8" with three entries: "Kestrel8" starts
               the console, "Import a repeater list" makes your list,
               "Kestrel8 guide" opens the full guide in your browser.
  Station      Documents\Kestrel8: your settings, your lists, your heard
               log. The console and the import start there.
  Apps         Settings, Apps: "Kestrel8" with its version; Uninstall
               there removes the programs, the entries and the PATH
               entry, and leaves Documents\Kestrel8 as it is.

An earlier Kestrel8 installed for all users in Program Files stays where
it is: uninstall it from the Apps list (Windows asks for administrator
rights) so that only one Kestrel8 is listed.


1. Your station folder
----------------------

The console reads its settings from Documents\Kestrel8 and writes them
back there. The first install made it with the example station files:

  D-STAR_DV_config.txt           your station
  D-STAR_tranceiver_config.txt   your radio
  D-STAR_my_rpt.txt              your repeater
  D-STAR_repeaters.txt           the repeater list (fictional stations)
  D-STAR_reflectors.txt          reflectors to link to (optional)

Installing again, or a newer version, never changes them.


]=])

set(KESTREL_README_START_zip "Double-click kestrel8.exe.")
set(KESTREL_README_START_installed "Start menu, Kestrel8, \"Kestrel8\".")

set(KESTREL_README_NO_FILES_zip [=[the console started in a folder without your station files: copy them in
(step 1), or start kestrel8.exe from the folder that holds them.]=])
set(KESTREL_README_NO_FILES_installed [=[Documents\Kestrel8 lacks that file: copy it in from the examples folder
in AppData\Local\Programs\Kestrel8.]=])

set(KESTREL_README_IMPORT_zip [=[5. Your repeater list: drop the table on kestrel8-repeaters.exe
---------------------------------------------------------------

Export the repeater list from your radio's programming software as CSV, or
download your society's or club's list. Drag the CSV file onto
kestrel8-repeaters.exe in Explorer. It writes D-STAR_repeaters.txt next to
kestrel8-repeaters.exe, in the station folder of step 1; its window shows
how many repeaters it took and which rows it skipped and why, and stays
open until you press a key.

The console reads 256 lines. A larger table (a whole country, or a radio
maker's list for a continent) opens a window "Import a repeater list":
tick the groups you want (Space ticks the one with the focus frame), or
type your locator into "Near (locator or lat,lon)" and a distance into
"Within km". The window counts the lines your choice gives against 256;
"Import" (or Return) writes them once they fit, "Cancel" (or Escape)
writes nothing.

In a Command Prompt the same is done with options (in Explorer, click the
address bar of the station folder, type cmd and press Enter):

  kestrel8-repeaters import repeaters.csv
  kestrel8-repeaters import repeaters.csv --near FN31 --within 150
  kestrel8-repeaters import repeaters.csv --group "United Kingdom"

--append adds a second table to the list you have; --out FILE writes
another file (never one of the console's own settings files or a heard
log). A spreadsheet's CSV saved in a Windows code page is read with
--encoding, for example --encoding CP1250 for a Polish one; without it a
table that is not UTF-8 is read as Shift-JIS, and the summary says so.
The summary is shown in the Command Prompt as text, accents and Japanese
names included, whatever the table's encoding. The import rules, every
option and an example of each are in one place: type

  kestrel8-repeaters --help

The console reads the list each time it fills "My repeater" or
"His repeater".


]=])

set(KESTREL_README_IMPORT_installed [=[5. Your repeater list: "Import a repeater list", or a Command Prompt
-------------------------------------------------------------------

Export the repeater list from your radio's programming software as CSV, or
download your society's or club's list. Then either way:

  - Drag the CSV file onto "Import a repeater list" (Start menu,
    Kestrel8; right-click it, More, "Open file location" shows it in a
    folder where it takes a dropped file, and you may copy it onto your
    desktop). It writes D-STAR_repeaters.txt in Documents\Kestrel8; its
    window shows how many repeaters it took and which rows it skipped
    and why, and stays open until you press a key.
  - Or open a Command Prompt in Documents\Kestrel8 (in Explorer, click
    the address bar of the folder, type cmd and press Enter) and type:

      kestrel8-repeaters import repeaters.csv

    The installer put the program's folder on your PATH, so the command
    works in any Command Prompt opened after the install.

The console reads 256 lines. A larger table (a whole country, or a radio
maker's list for a continent) dropped on "Import a repeater list" opens a
window of the same name: tick the groups you want (Space ticks the one
with the focus frame), or type your locator into "Near (locator or
lat,lon)" and a distance into "Within km". The window counts the lines
your choice gives against 256; "Import" (or Return) writes them once they
fit, with the same summary, and "Cancel" (or Escape) writes nothing.

In a Command Prompt a larger table is refused, nothing is written, and
the message lists its groups; choose with your locator, or groups by
name:

  kestrel8-repeaters import repeaters.csv --near FN31 --within 150
  kestrel8-repeaters import repeaters.csv --group "United Kingdom"

--append adds a second table to the list you have; --out FILE writes
another file (never one of the console's own settings files or a heard
log). A spreadsheet's CSV saved in a Windows code page is read with
--encoding, for example --encoding CP1250 for a Polish one; without it a
table that is not UTF-8 is read as Shift-JIS, and the summary says so.
The summary is shown as text, accents and Japanese names included,
whatever the table's encoding. The import rules, every option and an
example of each are in one place: type

  kestrel8-repeaters --help

The console reads the list each time it fills "My repeater" or "His
repeater".


]=])

set(KESTREL_README_GUIDE_zip [=[7. The full guide
-----------------

guide\operating.html in this zip ("Operating Kestrel8") explains every
control, every file and every message; double-click it to read it in your
browser. guide\kestrel8-repeaters.html is the importer's manual, and
guide\README-Windows.html this file.
]=])
set(KESTREL_README_GUIDE_installed [=[7. The full guide
-----------------

Start menu, Kestrel8, "Kestrel8 guide" opens "Operating Kestrel8" in
your browser: it explains every control, every file and every message.
It is guide\operating.html in AppData\Local\Programs\Kestrel8, beside
kestrel8-repeaters.html (the importer's manual) and this file as HTML.
]=])
