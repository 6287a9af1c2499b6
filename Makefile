# Tessorin: `make run` starts the application, `make test` runs every test.
BUILD      ?= build
BUILD_SAN  ?= build-sanitize
GENERATOR  ?= Ninja
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build run test test-main test-sanitize bench gallery clean

all: build

deps:
	@./scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSORIN_WERROR=ON

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The desktop entry and icon go into the user's own data folder first, the entry starting
# this build's program, so the desktop shows Tessorin as an application.
run: build
	@data="$${XDG_DATA_HOME:-$$HOME/.local/share}"; \
	install -Dm644 $(BUILD)/app/shell/desktop/tessorin-build.desktop "$$data/applications/tessorin.desktop" && \
	install -Dm644 app/shell/desktop/tessorin.svg "$$data/icons/hicolor/scalable/apps/tessorin.svg"
	"$(abspath $(BUILD))/tessorin"

$(BUILD_SAN)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD_SAN) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DTESSORIN_WERROR=ON \
	  -DTESSORIN_SANITIZE=ON -DTESSORIN_BUILD_APP=OFF -DTESSORIN_BUILD_BENCH=OFF

test-main: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The engine's tests once more under AddressSanitizer and UndefinedBehaviorSanitizer;
# any report aborts the test, which fails the run.
test-sanitize: deps $(BUILD_SAN)/build.ninja
	cmake --build $(BUILD_SAN) -j $(JOBS)
	cd $(BUILD_SAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

test: test-main test-sanitize

# Renders every view's gallery states under Xvfb into $(BUILD)/gallery.
gallery: configure
	cmake --build $(BUILD) -j $(JOBS) --target gallery

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b || exit 1; done

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
