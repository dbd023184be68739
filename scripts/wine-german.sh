# Sourced by run.sh and screenshots.sh: Wine as on a German user's Windows.
# German locale and input language (German dates, no layout notice), and
# Wine's own fonts for the caption buttons (Marlett) and the dialogs
# (Tahoma, the face Windows gives "MS Shell Dlg 2").
export VEMU_WINE_LOCALE=de_DE.UTF-8
export VEMU_WINE_FONTS="marlett.ttf tahoma.ttf tahomabd.ttf"
# Wine needs the Unix locale; made here from the locale sources where the
# system has not installed it.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    if [ ! -f build/locale/de_DE.UTF-8/LC_CTYPE ]; then
        mkdir -p build/locale
        localedef -i de_DE -f UTF-8 build/locale/de_DE.UTF-8
    fi
    export VEMU_WINE_LOCPATH="$PWD/build/locale"
fi
