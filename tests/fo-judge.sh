#!/usr/bin/env bash
# Runs quillen on XSL-FO documents and asks Apache FOP, the program they are
# read with, whether the output prints the same text as the input. For each
# document given (folders: every *.fo below them, and every *.xml whose
# root element is in the namespace http://www.w3.org/1999/XSL/Format):
#   - quillen exits 0 or 1; after 1 there is no output and no success line;
#   - after 0 the input is unchanged, and FOP renders both the input and the
#     output to PDF (FO_JOBS JVMs side by side, each rendering its share of
#     the documents one after another; images and other files are found
#     beside each document, alike for both);
#   - pdftotext reads each PDF twice: in reading order, then laid out as on
#     the page (which also sees a line that moved sideways, or a page number
#     pushed to the next line by a space before its leader); these two make
#     the document's text, and the output's must be the input's, to the
#     byte.
# An input that FOP cannot render is counted, not judged. A finding is
# quillen failing, FOP rendering the input but not the output, or the texts
# differing (the first differing lines are shown; both texts, both PDFs,
# FOP's messages and quillen's output are kept in the findings folder).
# Prints the findings and a summary line; exits 1 if there are any
# findings, 2 if it cannot run.
#
#   tests/fo-judge.sh QUILLEN FILE_OR_FOLDER...
# QUILLEN may be a command with arguments. Give it a scratch copy of the
# documents: quillen writes its output beside each one (removed at the end).
# Names with a tab or a line break in them are not judged rightly.
# FO_FINDINGS  the findings folder (default: a new folder, printed first)
# FO_JOBS      FOPs that render side by side (default 2)
# FO_TIMEOUT   seconds FOP may take for a document (default 120)
# FOP          FOP's command (default fop)
# JAVA_ARGS    Java's options (default: compile for a short run,
#              -XX:TieredStopAtLevel=1 -XX:+UseSerialGC, which makes the
#              same PDF in less time)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/judge.bash
source "$here/judge.bash"
# shellcheck source=tests/texts.bash
source "$here/texts.bash"
fop=${FOP:-fop}
jobs=${FO_JOBS:-2}
fop_timeout=${FO_TIMEOUT:-120}
java_args=${JAVA_ARGS--XX:TieredStopAtLevel=1 -XX:+UseSerialGC}
started=$SECONDS
for tool in "${fop%% *}" pdftotext xmllint; do
    command -v "$tool" >/dev/null || {
        echo "fo: $tool is missing (Debian: fop poppler-utils libxml2-utils)" >&2
        exit 2
    }
done

files=0 unrendered=0 judged=0 findings=0
finding() {
    findings=$((findings + 1))
    echo "finding: $1: $2"
}

# Whether FILE's root element is in the XSL-FO namespace.
is_fo() {
    [ "$(xmllint --nonet --noout --xpath 'namespace-uri(/*)' "$1" 2>/dev/null)" = http://www.w3.org/1999/XSL/Format ]
}

# Renders the documents listed in the file LIST (FO, PDF, LOG a line,
# tab-separated) to PDF, FOP's messages for each in its LOG; a document that
# FOP fails on leaves no PDF. Unless FOP names another command, Debian's
# FOP runs in one JVM for all of them (a JVM's start costs more than most
# documents), through the Java program below, run from its source;
# without a Java compiler, fop runs once a document.
render_list() {
    local list=$1 fo pdf log
    if [ "$batch" = yes ]; then
        # shellcheck disable=SC2086 # options
        timeout $((fop_timeout * $(wc -l <"$list") + 60)) java $java_args -Djava.awt.headless=true \
            -Dorg.apache.commons.logging.Log=org.apache.commons.logging.impl.SimpleLog \
            -Dorg.apache.commons.logging.simplelog.defaultlog=warn \
            -cp "$classpath" "$work/Render.java" "$fop_timeout" <"$list" >/dev/null 2>>"$work/java.log"
        return
    fi
    while IFS=$'\t' read -r fo pdf log; do
        # shellcheck disable=SC2086 # a command with arguments
        if ! JAVA_ARGS=$java_args timeout "$fop_timeout" $fop -fo "$fo" -pdf "$pdf" >"$log" 2>&1 || [ ! -s "$pdf" ]; then
            rm -f "$pdf"
        fi
    done <"$list"
}
classpath=""
for jar in fop xmlgraphics-commons batik-all commons-io commons-logging xml-apis xml-apis-ext xercesImpl fontbox2; do
    [ -f "/usr/share/java/$jar.jar" ] && classpath+=/usr/share/java/$jar.jar:
done
classpath+=/usr/share/fop/fop-hyph.jar
batch=no
if [ -z "${FOP:-}" ] && [ -f /usr/share/java/fop.jar ] && java --list-modules 2>/dev/null | grep -q '^jdk\.compiler@'; then
    batch=yes
fi
cat >"$work/Render.java" <<'JAVA'
import java.io.*;
import java.util.concurrent.*;
import javax.xml.transform.TransformerFactory;
import javax.xml.transform.sax.SAXResult;
import javax.xml.transform.stream.StreamSource;
import org.apache.fop.apps.*;

// Renders the documents listed on standard input (FO, PDF, LOG a line,
// tab-separated) to PDF in one JVM, each with a factory of its own whose
// base is the document's folder, as FOP's command line does; prints each
// line when done. A document that fails or runs out of time leaves no PDF.
public class Render {
    public static void main(String[] args) throws Exception {
        long seconds = Long.parseLong(args[0]);
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, "UTF-8"));
        TransformerFactory transformers = TransformerFactory.newInstance();
        for (String line; (line = in.readLine()) != null;) {
            String[] f = line.split("\t");
            File fo = new File(f[0]).getAbsoluteFile(), pdf = new File(f[1]);
            PrintStream log = new PrintStream(new FileOutputStream(f[2]), true, "UTF-8");
            ExecutorService one = Executors.newSingleThreadExecutor(r -> {
                Thread t = new Thread(r);
                t.setDaemon(true);
                return t;
            });
            Future<?> done = one.submit(() -> {
                try (OutputStream out = new BufferedOutputStream(new FileOutputStream(pdf))) {
                    FopFactory factory = FopFactory.newInstance(fo.getParentFile().toURI());
                    Fop fop = factory.newFop(MimeConstants.MIME_PDF, out);
                    transformers.newTransformer().transform(new StreamSource(fo), new SAXResult(fop.getDefaultHandler()));
                }
                return null;
            });
            try {
                done.get(seconds, TimeUnit.SECONDS);
            } catch (TimeoutException e) {
                done.cancel(true);
                log.println("SEVERE: out of time after " + seconds + " s");
                pdf.delete();
            } catch (ExecutionException e) {
                log.println("SEVERE: " + e.getCause());
                e.getCause().printStackTrace(log);
                pdf.delete();
            }
            one.shutdown();
            log.close();
            System.out.println(line);
        }
    }
}
JAVA



inputs=()
for arg; do
    if [ -d "$arg" ]; then
        while IFS= read -r -d '' file; do
            case $file in
            *.fo) inputs+=("$file") ;;
            *) is_fo "$file" && inputs+=("$file") ;;
            esac
        done < <(find "$arg" -type f \( -name '*.fo' -o -name '*.xml' \) ! -name '*_for.fo' ! -name '*_for.xml' -print0 | sort -z)
    elif [ -f "$arg" ]; then
        inputs+=("$arg")
    else
        echo "fo: $arg: no such file or folder" >&2
        exit 2
    fi
done

kept=${FO_FINDINGS:-$(mktemp -d "${TMPDIR:-/tmp}/fo-findings.XXXXXX")}
mkdir -p "$kept" || exit 2
echo "fo: texts of the findings are kept in $kept"

# quillen runs on each document in turn; the renderings are listed in
# $work/jobs (FO, PDF, LOG), to be made side by side afterwards.
mkdir -p "$work/pdf"
: >"$work/jobs"
declare -a ids=() outputs=()
for i in "${!inputs[@]}"; do
    file=${inputs[i]}
    files=$((files + 1))
    output=${file%.*}_for.${file##*.}
    if [ -e "$output" ]; then
        echo "skipped: $file: its output is there already"
        continue
    fi
    formats "$file" "$output" || continue
    id=$(printf '%04d' "$i")
    ids+=("$i")
    outputs[i]=$output
    printf '%s\t%s\t%s\n' "$file" "$work/pdf/$id-in.pdf" "$work/pdf/$id-in.log" \
        "$output" "$work/pdf/$id-out.pdf" "$work/pdf/$id-out.log" >>"$work/jobs"
done
for ((worker = 0; worker < jobs; worker++)); do
    awk -v n="$jobs" -v w="$worker" 'NR % n == w' "$work/jobs" >"$work/jobs-$worker"
    render_list "$work/jobs-$worker" &
done
wait

for i in "${ids[@]}"; do
    file=${inputs[i]} output=${outputs[i]}
    id=$(printf '%04d' "$i")
    pdf=$work/pdf/$id
    if [ ! -f "$pdf-in.pdf" ]; then
        unrendered=$((unrendered + 1))
        echo "unrendered: $file: FOP cannot render it: $(grep -m 1 -E 'SEVERE|ERROR|Exception' "$pdf-in.log" | head -c 200)"
        continue
    fi
    folder=$kept/$id-${file##*/}
    if [ ! -f "$pdf-out.pdf" ]; then
        mkdir -p "$folder" && cp "$output" "$pdf-out.log" "$folder/"
        finding "$file" "FOP renders the input but not the output (kept in $folder): $(grep -m 1 -E 'SEVERE|ERROR|Exception' "$pdf-out.log" | head -c 200)"
        continue
    fi
    judged=$((judged + 1))
    pdf_text "$pdf-in.pdf" >"$work/input.txt"
    pdf_text "$pdf-out.pdf" >"$work/output.txt"
    if ! cmp -s "$work/input.txt" "$work/output.txt"; then
        mkdir -p "$folder"
        cp "$work/input.txt" "$work/output.txt" "$pdf-in.pdf" "$pdf-out.pdf" "$pdf-in.log" "$pdf-out.log" "$output" "$folder/"
        finding "$file" "FOP prints other text of the output (kept in $folder)"
        first_difference "$work/input.txt" "$work/output.txt" input output
    fi
done

if [ "$findings" -gt 0 ] || [ "$unrendered" -gt 0 ]; then
    [ -s "$work/java.log" ] && cp "$work/java.log" "$kept/fop.log" && echo "fo: FOP's warnings are in $kept/fop.log"
fi
echo "fo: $files files, $saved saved, $refused refused, $unrendered FOP cannot render," \
    "$judged judged, $findings findings ($((SECONDS - started)) s)"
[ "$findings" -eq 0 ]
